#include "outlook_import/VCardReader.h"

#include <QDir>
#include <QFile>
#include <QMap>
#include <QRandomGenerator>
#include <QStringEncoder>
#include <QtTest>

namespace {

const QString kCorpusDir = QStringLiteral(QUILLARY_SOURCE_DIR "/tests/data/vcard-corpus");

QByteArray card(const QByteArray& body, const QByteArray& version = "3.0") {
    return "BEGIN:VCARD\r\nVERSION:" + version + "\r\n" + body + "END:VCARD\r\n";
}

QByteArray utf16(const QString& text, QStringConverter::Encoding encoding, bool withMark) {
    QStringEncoder encoder(encoding, withMark ? QStringConverter::Flag::WriteBom
                                              : QStringConverter::Flag::Default);
    return encoder.encode(text);
}

QStringList names(const QList<ContactCard>& cards) {
    QStringList out;
    for (const ContactCard& c : cards)
        out << c.fn;
    return out;
}

} // namespace

class TestVCardReader : public QObject {
    Q_OBJECT

private slots:
    void corpus_data();
    void corpus();
    void cards_data();
    void cards();
    void values_data();
    void values();
};

// Every card of every file in the corpus gives the values listed in expected.tsv.
void TestVCardReader::corpus_data() {
    QTest::addColumn<QString>("file");
    QTest::addColumn<QStringList>("expected");
    QFile tsv(kCorpusDir + QStringLiteral("/expected.tsv"));
    QVERIFY(tsv.open(QIODevice::ReadOnly));
    QMap<QString, QStringList> rows;
    for (const QString& line : QString::fromUtf8(tsv.readAll()).split(u'\n')) {
        const QStringList columns = line.split(u'\t');
        if (columns.size() < 3)
            continue;
        QStringList& values = rows[columns[0]];
        if (columns[2] != QLatin1String("NOCARD"))
            values << columns.mid(2, 8).join(u'\t');
    }
    QStringList files = QDir(kCorpusDir).entryList({QStringLiteral("*.vcf")}, QDir::Files);
    files.sort();
    QCOMPARE(files, QStringList(rows.keys()));
    for (auto it = rows.cbegin(); it != rows.cend(); ++it)
        QTest::newRow(qPrintable(it.key())) << it.key() << it.value();
}

void TestVCardReader::corpus() {
    QFETCH(QString, file);
    QFETCH(QStringList, expected);
    QStringList read;
    for (const ContactCard& c : VCardReader::readFile(kCorpusDir + u'/' + file))
        read << QStringList{c.isGroup ? "1" : "0", c.fn,       c.email, c.street, c.city, c.region,
                            c.postalCode,          c.homePhone}
                    .join(u'\t');
    QCOMPARE(read, expected);
}

// Which cards a text gives, by their names, whatever its encoding, line ends or damage.
void TestVCardReader::cards_data() {
    QTest::addColumn<QByteArray>("data");
    QTest::addColumn<QStringList>("names");

    const QString zoe = QStringLiteral("Zoë Ångström");
    const QString text = QStringLiteral("BEGIN:VCARD\r\nVERSION:3.0\r\nFN:Zoë Ångström\r\n"
                                        "ADR:;;1 Rue;Besançon;;25000;\r\nEND:VCARD\r\n");
    QTest::newRow("utf-8") << text.toUtf8() << QStringList{zoe};
    QTest::newRow("utf-8 with mark") << "\xEF\xBB\xBF" + text.toUtf8() << QStringList{zoe};
    QTest::newRow("utf-16le with mark")
        << utf16(text, QStringConverter::Utf16LE, true) << QStringList{zoe};
    QTest::newRow("utf-16be with mark")
        << utf16(text, QStringConverter::Utf16BE, true) << QStringList{zoe};
    QTest::newRow("utf-16be without mark, after blank lines")
        << utf16("\r\n\r\n" + text, QStringConverter::Utf16BE, false) << QStringList{zoe};
    QTest::newRow("windows-1252") << text.toLatin1() << QStringList{zoe};
    QTest::newRow("windows-1252 quotes and euro")
        << QByteArray("BEGIN:VCARD\nFN:\x93Quoted\x94 \x80 5\nEND:VCARD\n")
        << QStringList{QStringLiteral("\u201CQuoted\u201D \u20AC 5")};
    QTest::newRow("latin-1 quoted-printable")
        << card("FN;CHARSET=ISO-8859-1;ENCODING=QUOTED-PRINTABLE:Zo=EB =C5ngstr=F6m\r\n", "2.1")
        << QStringList{zoe};
    QTest::newRow("utf-8 split by a soft line break, lower-case parameters")
        << card("fn;charset=utf-8;quoted-printable:Zo=c3=\r\n=AB =C3=85ngstr=C3=B6m\r\n", "2.1")
        << QStringList{zoe};

    // A Chinese address book saved as UTF-16 without a mark: hardly any byte is
    // Latin-1, so only the cards' own structure tells the encoding.
    QString chinese;
    QStringList chineseNames;
    const QString family = QStringLiteral("王李张刘陈杨黄赵吴周");
    for (int i = 0; i < 20; ++i) {
        chineseNames << family[i % 10] + QStringLiteral("小明") + QString::number(i);
        chinese += QStringLiteral("BEGIN:VCARD\r\nVERSION:3.0\r\nFN:") + chineseNames.last() +
                   QStringLiteral("\r\nNOTE:我们在北京的会议上认识。他负责上海办公室的所有销售"
                                  "工作和客户关系。\r\nEND:VCARD\r\n");
    }
    QTest::newRow("utf-16le without mark, Chinese")
        << utf16(chinese, QStringConverter::Utf16LE, false) << chineseNames;
    QByteArray nuls = "BEGIN:VCARD\r\nVERSION:3.0\r\nFN:Nul\r\nNOTE:";
    for (int i = 0; i < 2000; ++i)
        nuls += QByteArray("x\0", 2);
    QTest::newRow("utf-8 whose first card is full of NUL bytes")
        << nuls + "\r\nEND:VCARD\r\n" + card("FN:Good\r\n") + card("FN:Better\r\n")
        << QStringList{"Nul", "Good", "Better"};

    const QByteArray lf = "BEGIN:VCARD\nVERSION:3.0\nFN:Ann\n Marie\nEND:VCARD\n"
                          "BEGIN:VCARD\nVERSION:3.0\nFN:Bob\nEND:VCARD";
    const QStringList annBob{"AnnMarie", "Bob"};
    QTest::newRow("LF") << lf << annBob;
    QTest::newRow("CRLF") << QByteArray(lf).replace("\n", "\r\n") << annBob;
    QTest::newRow("CR") << QByteArray(lf).replace("\n", "\r") << annBob;
    QTest::newRow("CR CR LF") << QByteArray(lf).replace("\n", "\r\r\n") << annBob;
    QTest::newRow("blank lines and text around cards")
        << "Exported\n\n" + QByteArray(lf).replace("END:VCARD\n", "END:VCARD\n\n\n") + "\n-- end"
        << annBob;
    QTest::newRow("mixed-case markers, no VERSION")
        << QByteArray("begin:vCard\nfn:A\nEnd:VCard\n") << QStringList{"A"};

    const QByteArray good = card("FN:Good\r\n");
    QTest::newRow("missing END before the next card")
        << "BEGIN:VCARD\r\nFN:A\r\n" + good << QStringList{"A", "Good"};
    QTest::newRow("missing END at the end")
        << good + "BEGIN:VCARD\r\nFN:Cut\r\nEMA" << QStringList{"Good", "Cut"};
    QTest::newRow("AGENT card inside")
        << card("FN:Boss\r\nAGENT:\r\nBEGIN:VCARD\r\nFN:Assistant\r\nEND:VCARD\r\n", "2.1") + good
        << QStringList{"Boss", "Good"};
    QTest::newRow("AGENT card as a value")
        << card("FN:Boss\r\nAGENT:BEGIN:VCARD\\nFN:Assistant\\nEND:VCARD\r\n") + good
        << QStringList{"Boss", "Good"};
    QTest::newRow("AGENT card left open")
        << card("FN:Boss\r\nAGENT:\r\nBEGIN:VCARD\r\nFN:Inner\r\n", "2.1") + good
        << QStringList{"Boss", "Good"};
    QTest::newRow("AGENT cards left open at two levels")
        << card("FN:Boss\r\nAGENT:\r\nBEGIN:VCARD\r\nFN:A1\r\nAGENT:\r\nBEGIN:VCARD\r\nFN:A2\r\n",
                "2.1") +
               good + card("FN:Last\r\n")
        << QStringList{"Boss", "Good", "Last"};
    QTest::newRow("AGENT cards left open at three levels")
        << "BEGIN:VCARD\r\nFN:Boss\r\nAGENT:\r\nBEGIN:VCARD\r\nAGENT:\r\nBEGIN:VCARD\r\nAGENT:\r\n"
           "BEGIN:VCARD\r\nFN:A3\r\n" +
               good
        << QStringList{"Boss", "Good"};
    QTest::newRow("only markers") << QByteArray("BEGIN:VCARD\nEND:VCARD\nEND:VCARD\nBEGIN:VCARD\n")
                                  << QStringList{"", ""};
    QTest::newRow("no card at all") << QByteArray("FN:A\r\nEND:VCARD\r\n") << QStringList{};

    QByteArray binary(256 * 1024, Qt::Uninitialized);
    QRandomGenerator random(20240611);
    for (char& b : binary)
        b = char(random.bounded(256));
    QTest::newRow("random bytes after a card") << good + binary << QStringList{"Good"};
    QTest::newRow("5 MB line without a break")
        << good + "BEGIN:VCARD\r\nFN:" + QByteArray(5 * 1024 * 1024, 'y')
        << QStringList{"Good", QString(VCardReader::MaxLineLength - 3, u'y')};
    QByteArray folds = "BEGIN:VCARD\r\nNOTE:start";
    for (int i = 0; i < 1000000; ++i)
        folds += "\r\n x";
    QTest::newRow("a million folds") << good + folds + "\r\nFN:Folded\r\nEND:VCARD\r\n"
                                     << QStringList{"Good", "Folded"};
    static const char withNul[] = "BEGIN:VCARD\r\nFN:N\0ul\r\nEND:VCARD\r\n";
    QTest::newRow("NUL bytes dropped from values")
        << good + QByteArray(withNul, sizeof(withNul) - 1) << QStringList{"Good", "Nul"};
    QTest::newRow("invalid UTF-8 read as Windows-1252")
        << card("FN:Bad \xC3\x28\r\n") << QStringList{QStringLiteral("Bad \u00C3(")};
}

void TestVCardReader::cards() {
    QFETCH(QByteArray, data);
    QFETCH(QStringList, names);
    QCOMPARE(::names(VCardReader::readData(data)), names);
}

// field: which value of the first card to compare
void TestVCardReader::values_data() {
    QTest::addColumn<QByteArray>("data");
    QTest::addColumn<QString>("field");
    QTest::addColumn<QString>("expected");

    QTest::newRow("3.0 fold drops one blank")
        << card("FN:Ann\r\n  Marie\r\n") << "fn" << QStringLiteral("Ann Marie");
    QTest::newRow("2.1 fold keeps the blank")
        << card("FN:Ann\r\n Marie\r\n", "2.1") << "fn" << QStringLiteral("Ann Marie");
    QTest::newRow("fold inside the name")
        << card("EM\r\n AIL:ann@example.org\r\n") << "email" << QStringLiteral("ann@example.org");
    QTest::newRow("escapes") << card("FN:Doe\\, John\\; Jr\\\\\r\n") << "fn"
                             << QStringLiteral("Doe, John; Jr\\");
    QTest::newRow("escaped semicolon stays in its component")
        << card("ADR:;;1 Main St\\; Rear;Springfield;IL;62701;\r\n") << "street"
        << QStringLiteral("1 Main St; Rear");
    QTest::newRow("escaped newline ends the street")
        << card("ADR:;;1 Main St\\NFloor 2;Springfield;IL;62701;\r\n") << "street"
        << QStringLiteral("1 Main St");
    QTest::newRow("mailing address")
        << card("ADR:;;1 Main St\\nFloor 2;Springfield;IL;62701;USA\r\n") << "mailingAddress"
        << QStringLiteral("1 Main St\r\nSpringfield, IL 62701");
    QTest::newRow("mailing address without region")
        << card("ADR:;;221B Baker Street;London;;NW1;\r\n") << "mailingAddress"
        << QStringLiteral("221B Baker Street\r\nLondon NW1");
    QTest::newRow("mailing address, street only")
        << card("ADR:;;221B Baker Street;;;;\r\n") << "mailingAddress"
        << QStringLiteral("221B Baker Street");
    QTest::newRow("preferred address by TYPE=pref")
        << card("ADR;TYPE=work:;;Work St;W;;;\r\nADR;TYPE=home,pref:;;Home St;H;;;\r\n") << "street"
        << QStringLiteral("Home St");
    QTest::newRow("preferred address by bare PREF")
        << card("ADR;WORK:;;Work St;W;;;\r\nADR;HOME;PREF:;;Home St;H;;;\r\n", "2.1") << "city"
        << QStringLiteral("H");
    QTest::newRow("preferred address by PREF=1")
        << card("ADR:;;Work St;W;;;\r\nADR;PREF=1:;;Home St;H;;;\r\n", "4.0") << "city"
        << QStringLiteral("H");
    QTest::newRow("first address when none preferred")
        << card("ADR:;;First St;F;;;\r\nADR:;;Second St;S;;;\r\n") << "city" << QStringLiteral("F");
    QTest::newRow("quoted-printable address split before decoding")
        << card("ADR;ENCODING=QUOTED-PRINTABLE:;;12 High St=3B Flat 2;Leeds;;LS1;\r\n", "2.1")
        << "street" << QStringLiteral("12 High St; Flat 2");
    QTest::newRow("soft break joins an unindented line")
        << card("ADR;QUOTED-PRINTABLE:;;12 High=\r\n St;Leeds;;LS1;\r\nEMAIL:a@b.c\r\n", "2.1")
        << "postalCode" << QStringLiteral("LS1");
    QTest::newRow("soft break then blank line")
        << card("ADR;QUOTED-PRINTABLE:;;12 High St;=\r\nLeeds;;LS1;=\r\n\r\nEMAIL:a@b.c\r\n", "2.1")
        << "email" << QStringLiteral("a@b.c");
    QTest::newRow("group prefix") << card("item1.EMAIL;type=INTERNET:x@example.org\r\n") << "email"
                                  << QStringLiteral("x@example.org");
    QTest::newRow("first non-empty e-mail")
        << card("EMAIL:\r\nEMAIL;TYPE=work:w@example.org\r\nEMAIL:h@example.org\r\n") << "email"
        << QStringLiteral("w@example.org");
    QTest::newRow("e-mail written as a mailto: URI")
        << card("EMAIL;VALUE=uri:MailTo:ann@example.org\r\n", "4.0") << "email"
        << QStringLiteral("ann@example.org");
    QTest::newRow("home phone, 2.1 bare types")
        << card("TEL;WORK;VOICE:1\r\nTEL;HOME;VOICE:2\r\n", "2.1") << "homePhone"
        << QStringLiteral("2");
    QTest::newRow("home phone skips fax, cell and pager")
        << card("TEL;TYPE=HOME;TYPE=FAX:1\r\nTEL;TYPE=home,cell:2\r\nTEL;TYPE=PAGER,HOME:3\r\n"
                "tel;type=home:4\r\n")
        << "homePhone" << QStringLiteral("4");
    QTest::newRow("home phone from a quoted type list and a tel: URI")
        << card("TEL;VALUE=uri;TYPE=\"voice,home\":tel:+1-555-0100\r\n", "4.0") << "homePhone"
        << QStringLiteral("+1-555-0100");
    QTest::newRow("display value is FN") << card("FN:Ann Smith\r\nN:Smith;Ann;;;\r\n")
                                         << "displayValue" << QStringLiteral("Ann Smith");
    QTest::newRow("display value from N") << card("FN:\r\nN:Smith;Ann;Q;Dr.;\r\nORG:Acme\r\n")
                                          << "displayValue" << QStringLiteral("Ann Smith");
    QTest::newRow("display value from ORG")
        << card("N:;;;;\r\nORG:Acme Ltd;Sales\r\nEMAIL:a@acme.test\r\n") << "displayValue"
        << QStringLiteral("Acme Ltd");
    QTest::newRow("display value from e-mail")
        << card("EMAIL:a@acme.test\r\n") << "displayValue" << QStringLiteral("a@acme.test");
    QTest::newRow("quoted colon in a parameter")
        << card("ADR;LABEL=\"1 Main: St\":;;1 Main St;Town;;;\r\n") << "city"
        << QStringLiteral("Town");
    QTest::newRow("unterminated quote in a parameter")
        << card("ADR;LABEL=\"oops:;;1 Main;Town;;;\r\nFN:Quote\r\n") << "fn"
        << QStringLiteral("Quote");
    QTest::newRow("AGENT card's values stay its own")
        << card(
               "FN:Boss\r\nAGENT:\r\nBEGIN:VCARD\r\nFN:Assistant\r\nEMAIL:assistant@example.org\r\n"
               "END:VCARD\r\nEMAIL:boss@example.org\r\n",
               "2.1")
        << "email" << QStringLiteral("boss@example.org");
    QTest::newRow("vCard 4 group") << card("KIND:GROUP\r\nFN:Team\r\n", "4.0") << "isGroup"
                                   << "1";
    QTest::newRow("individual") << card("KIND:individual\r\n", "4.0") << "isGroup"
                                << "0";
    QTest::newRow("Apple group") << card("x-addressbookserver-kind:Group\r\n") << "isGroup"
                                 << "1";
    QTest::newRow("Evolution list") << card("X-EVOLUTION-LIST:true\r\n") << "isGroup"
                                    << "1";
    QTest::newRow("Evolution non-list") << card("X-EVOLUTION-LIST:FALSE\r\n") << "isGroup"
                                        << "0";
}

void TestVCardReader::values() {
    QFETCH(QByteArray, data);
    QFETCH(QString, field);
    QFETCH(QString, expected);
    const QList<ContactCard> cards = VCardReader::readData(data);
    QCOMPARE(cards.size(), 1);
    const ContactCard& c = cards[0];
    const QHash<QString, QString> fields{
        {"fn", c.fn},
        {"displayValue", c.displayValue},
        {"email", c.email},
        {"mailingAddress", c.mailingAddress},
        {"street", c.street},
        {"city", c.city},
        {"region", c.region},
        {"postalCode", c.postalCode},
        {"homePhone", c.homePhone},
        {"isGroup", c.isContact() ? "0" : "1"},
    };
    QVERIFY(fields.contains(field));
    QCOMPARE(fields[field], expected);
}

QTEST_GUILESS_MAIN(TestVCardReader)
#include "tst_vcardreader.moc"
