#include "outlook_import/VCardReader.h"

#include <QElapsedTimer>
#include <QFile>
#include <QHash>
#include <QRandomGenerator>
#include <QStringEncoder>
#include <QtTest>

namespace {

const QString kCorpusDir = QStringLiteral(QUILLARY_SOURCE_DIR "/tests/data/vcard-corpus");

struct ExpectedRow {
    QString file;
    int index = -1; // -1: the file holds no card
    QStringList values;
};

QList<ExpectedRow> expectedRows() {
    QList<ExpectedRow> rows;
    QFile file(kCorpusDir + QStringLiteral("/expected.tsv"));
    if (!file.open(QIODevice::ReadOnly))
        return rows;
    const QStringList lines = QString::fromUtf8(file.readAll()).split(u'\n');
    for (const QString& line : lines) {
        if (line.trimmed().isEmpty())
            continue;
        const QStringList columns = line.split(u'\t');
        ExpectedRow row;
        row.file = columns.value(0);
        if (columns.value(2) == QLatin1String("NOCARD")) {
            rows.push_back(row);
            continue;
        }
        row.index = columns.value(1).toInt();
        for (int c = 2; c < 10; ++c)
            row.values.push_back(columns.value(c));
        rows.push_back(row);
    }
    return rows;
}

const QList<ContactCard>& corpusCards(const QString& fileName) {
    static QHash<QString, QList<ContactCard>> read;
    auto it = read.find(fileName);
    if (it == read.end())
        it = read.insert(fileName, VCardReader::readFile(kCorpusDir + u'/' + fileName));
    return *it;
}

QByteArray crlf(QByteArray text) {
    return text.replace("\n", "\r\n");
}

QByteArray card(const QByteArray& body, const QByteArray& version = "3.0") {
    return "BEGIN:VCARD\r\nVERSION:" + version + "\r\n" + body + "END:VCARD\r\n";
}

QByteArray utf16(const QString& text, QStringConverter::Encoding encoding, bool withMark) {
    QStringEncoder encoder(encoding, withMark ? QStringConverter::Flag::WriteBom
                                              : QStringConverter::Flag::Default);
    return encoder.encode(text);
}

} // namespace

class TestVCardReader : public QObject {
    Q_OBJECT

private slots:
    void corpusCard_data();
    void corpusCard();
    void corpusCardCount_data();
    void corpusCardCount();

    void encodings_data();
    void encodings();
    void lineEnds_data();
    void lineEnds();
    void values_data();
    void values();
    void groups_data();
    void groups();
    void cardBoundaries_data();
    void cardBoundaries();

    void damagedInput_data();
    void damagedInput();

    void windows1252Table_data();
    void windows1252Table();
};

void TestVCardReader::corpusCard_data() {
    QTest::addColumn<QString>("file");
    QTest::addColumn<int>("index");
    QTest::addColumn<QStringList>("expected");
    const QList<ExpectedRow> rows = expectedRows();
    QVERIFY2(!rows.isEmpty(), "expected.tsv is missing");
    for (const ExpectedRow& row : rows) {
        if (row.index < 0)
            continue;
        QTest::addRow("%s#%d", qPrintable(row.file), row.index)
            << row.file << row.index << row.values;
    }
}

void TestVCardReader::corpusCard() {
    QFETCH(QString, file);
    QFETCH(int, index);
    QFETCH(QStringList, expected);
    const QList<ContactCard>& cards = corpusCards(file);
    QVERIFY2(index < cards.size(), qPrintable(QStringLiteral("only %1 cards").arg(cards.size())));
    const ContactCard& c = cards[index];
    QCOMPARE(c.isGroup ? QStringLiteral("1") : QStringLiteral("0"), expected[0]);
    QCOMPARE(c.fn, expected[1]);
    QCOMPARE(c.email, expected[2]);
    QCOMPARE(c.street, expected[3]);
    QCOMPARE(c.city, expected[4]);
    QCOMPARE(c.region, expected[5]);
    QCOMPARE(c.postalCode, expected[6]);
    QCOMPARE(c.homePhone, expected[7]);

    // What the rest of the program sees is built from the same values.
    QVERIFY(c.mailingAddress.startsWith(c.street.trimmed()));
    if (!c.fn.trimmed().isEmpty())
        QCOMPARE(c.displayValue, c.fn);
}

void TestVCardReader::corpusCardCount_data() {
    QTest::addColumn<QString>("file");
    QTest::addColumn<int>("cards");
    QMap<QString, int> counts;
    for (const ExpectedRow& row : expectedRows())
        counts[row.file] += row.index < 0 ? 0 : 1;
    const QStringList files = QDir(kCorpusDir).entryList({QStringLiteral("*.vcf")}, QDir::Files);
    QCOMPARE(files.size(), counts.size());
    for (auto it = counts.cbegin(); it != counts.cend(); ++it)
        QTest::newRow(qPrintable(it.key())) << it.key() << it.value();
}

void TestVCardReader::corpusCardCount() {
    QFETCH(QString, file);
    QFETCH(int, cards);
    QCOMPARE(corpusCards(file).size(), cards);
}

void TestVCardReader::encodings_data() {
    QTest::addColumn<QByteArray>("data");
    QTest::addColumn<QString>("fn");
    QTest::addColumn<QString>("city");

    const QString text = QStringLiteral(
        "BEGIN:VCARD\r\nVERSION:3.0\r\nFN:Zoë Ångström\r\nADR:;;1 Rue;Besançon;;25000;\r\n"
        "END:VCARD\r\n");
    const QString fn = QStringLiteral("Zoë Ångström");
    const QString city = QStringLiteral("Besançon");
    QTest::newRow("utf-8") << text.toUtf8() << fn << city;
    QTest::newRow("utf-8 with mark") << QByteArray("\xEF\xBB\xBF") + text.toUtf8() << fn << city;
    QTest::newRow("utf-16le with mark")
        << utf16(text, QStringConverter::Utf16LE, true) << fn << city;
    QTest::newRow("utf-16be with mark")
        << utf16(text, QStringConverter::Utf16BE, true) << fn << city;
    QTest::newRow("utf-16le without mark")
        << utf16(text, QStringConverter::Utf16LE, false) << fn << city;
    QTest::newRow("utf-16be without mark")
        << utf16(text, QStringConverter::Utf16BE, false) << fn << city;
    QTest::newRow("windows-1252 file") << text.toLatin1() << fn << city;
    QTest::newRow("windows-1252 quotes and euro")
        << QByteArray("BEGIN:VCARD\nFN:\x93Quoted\x94 \x80 5\nEND:VCARD\n")
        << QStringLiteral("\u201CQuoted\u201D \u20AC 5") << QString();
    QTest::newRow("charset latin-1 with quoted-printable")
        << card("FN;CHARSET=ISO-8859-1;ENCODING=QUOTED-PRINTABLE:Zo=EB =C5ngstr=F6m\r\n", "2.1")
        << fn << QString();
    QTest::newRow("utf-8 split by a soft line break")
        << card("FN;CHARSET=UTF-8;QUOTED-PRINTABLE:Zo=C3=\r\n=AB =C3=85ngstr=C3=B6m\r\n", "2.1")
        << fn << QString();
    QTest::newRow("quoted-printable without charset")
        << card("FN;ENCODING=QUOTED-PRINTABLE:Zo=C3=AB =C3=85ngstr=C3=B6m\r\n", "2.1") << fn
        << QString();
    QTest::newRow("lower-case encoding names")
        << card("fn;encoding=quoted-printable;charset=utf-8:Zo=c3=ab =C3=85ngstr=C3=B6m\r\n", "2.1")
        << fn << QString();
}

void TestVCardReader::encodings() {
    QFETCH(QByteArray, data);
    QFETCH(QString, fn);
    QFETCH(QString, city);
    const QList<ContactCard> cards = VCardReader::readData(data);
    QCOMPARE(cards.size(), 1);
    QCOMPARE(cards[0].fn, fn);
    QCOMPARE(cards[0].city, city);
}

void TestVCardReader::lineEnds_data() {
    QTest::addColumn<QByteArray>("data");
    const QByteArray text = "BEGIN:VCARD\nVERSION:3.0\nFN:Ann\n Marie\nEMAIL:ann@example.org\n"
                            "END:VCARD\nBEGIN:VCARD\nVERSION:3.0\nFN:Bob\nEND:VCARD";
    QByteArray cr = text;
    QByteArray crcrlf = text;
    QTest::newRow("LF") << text;
    QTest::newRow("CRLF") << crlf(text);
    QTest::newRow("CR") << cr.replace("\n", "\r");
    QTest::newRow("CR CR LF") << crcrlf.replace("\n", "\r\r\n");
    QTest::newRow("blank lines between cards")
        << QByteArray("\n\n") + QByteArray(text).replace("END:VCARD\n", "END:VCARD\n\n\n") + "\n\n";
}

void TestVCardReader::lineEnds() {
    QFETCH(QByteArray, data);
    const QList<ContactCard> cards = VCardReader::readData(data);
    QCOMPARE(cards.size(), 2);
    QCOMPARE(cards[0].fn, QStringLiteral("AnnMarie"));
    QCOMPARE(cards[0].email, QStringLiteral("ann@example.org"));
    QCOMPARE(cards[1].fn, QStringLiteral("Bob"));
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
    QTest::newRow("fold with a tab")
        << card("FN:Ann\r\n\tMarie\r\n") << "fn" << QStringLiteral("AnnMarie");
    QTest::newRow("fold inside the name")
        << card("EM\r\n AIL:ann@example.org\r\n") << "email" << QStringLiteral("ann@example.org");
    QTest::newRow("escapes") << card("FN:Doe\\, John\\; Jr\\\\\r\n") << "fn"
                             << QStringLiteral("Doe, John; Jr\\");
    QTest::newRow("escaped semicolon stays in its component")
        << card("ADR:;;1 Main St\\; Rear;Springfield;IL;62701;\r\n") << "street"
        << QStringLiteral("1 Main St; Rear");
    QTest::newRow("escaped newline ends the street's first line")
        << card("ADR:;;1 Main St\\nFloor 2;Springfield;IL;62701;\r\n") << "street"
        << QStringLiteral("1 Main St");
    QTest::newRow("upper-case escaped newline")
        << card("ADR:;;1 Main St\\NFloor 2;Springfield;IL;62701;\r\n") << "street"
        << QStringLiteral("1 Main St");
    QTest::newRow("2.1 escaped semicolon")
        << card("FN:A \\; B\r\n", "2.1") << "fn" << QStringLiteral("A ; B");
    QTest::newRow("mailing address")
        << card("ADR:;;1 Main St\\nFloor 2;Springfield;IL;62701;USA\r\n") << "mailingAddress"
        << QStringLiteral("1 Main St\r\nSpringfield, IL 62701");
    QTest::newRow("mailing address without region")
        << card("ADR:;;221B Baker Street;London;;NW1;\r\n") << "mailingAddress"
        << QStringLiteral("221B Baker Street\r\nLondon NW1");
    QTest::newRow("mailing address street only")
        << card("ADR:;;221B Baker Street;;;;\r\n") << "mailingAddress"
        << QStringLiteral("221B Baker Street");
    QTest::newRow("mailing address without street")
        << card("ADR:;;;Springfield;IL;;\r\n") << "mailingAddress"
        << QStringLiteral("\r\nSpringfield, IL");
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
        << "street" << QStringLiteral("12 High St");
    QTest::newRow("soft break then blank line")
        << card("ADR;QUOTED-PRINTABLE:;;12 High St;=\r\nLeeds;;LS1;=\r\n\r\nEMAIL:a@b.c\r\n", "2.1")
        << "email" << QStringLiteral("a@b.c");
    QTest::newRow("group prefix") << card("item1.EMAIL;type=INTERNET:x@example.org\r\n") << "email"
                                  << QStringLiteral("x@example.org");
    QTest::newRow("first non-empty e-mail")
        << card("EMAIL:\r\nEMAIL;TYPE=work:w@example.org\r\nEMAIL:h@example.org\r\n") << "email"
        << QStringLiteral("w@example.org");
    QTest::newRow("home phone, 2.1 bare types")
        << card("TEL;WORK;VOICE:1\r\nTEL;HOME;VOICE:2\r\n", "2.1") << "homePhone"
        << QStringLiteral("2");
    QTest::newRow("home phone skips fax, cell and pager")
        << card("TEL;TYPE=HOME;TYPE=FAX:1\r\nTEL;TYPE=home,cell:2\r\nTEL;TYPE=PAGER,HOME:3\r\n"
                "TEL;TYPE=HOME:4\r\n")
        << "homePhone" << QStringLiteral("4");
    QTest::newRow("home phone from a quoted type list and a tel: URI")
        << card("TEL;VALUE=uri;TYPE=\"voice,home\":tel:+1-555-0100\r\n", "4.0") << "homePhone"
        << QStringLiteral("+1-555-0100");
    QTest::newRow("no home phone")
        << card("TEL;TYPE=WORK:1\r\nTEL:2\r\n") << "homePhone" << QString();
    QTest::newRow("names and parameters in any case")
        << card("tel;type=home:5\r\n") << "homePhone" << QStringLiteral("5");
    QTest::newRow("display value is FN") << card("FN:Ann Smith\r\nN:Smith;Ann;;;\r\n")
                                         << "displayValue" << QStringLiteral("Ann Smith");
    QTest::newRow("display value from N") << card("N:Smith;Ann;Q;Dr.;\r\nORG:Acme\r\n")
                                          << "displayValue" << QStringLiteral("Ann Smith");
    QTest::newRow("display value from N with family only")
        << card("FN:\r\nN:Smith;;;;\r\n") << "displayValue" << QStringLiteral("Smith");
    QTest::newRow("display value from ORG")
        << card("N:;;;;\r\nORG:Acme Ltd;Sales\r\nEMAIL:a@acme.test\r\n") << "displayValue"
        << QStringLiteral("Acme Ltd");
    QTest::newRow("display value from e-mail")
        << card("EMAIL:a@acme.test\r\n") << "displayValue" << QStringLiteral("a@acme.test");
    QTest::newRow("quoted colon in a parameter")
        << card("ADR;LABEL=\"1 Main: St\":;;1 Main St;Town;;;\r\n") << "city"
        << QStringLiteral("Town");
    QTest::newRow("line without a colon is skipped")
        << card("FN\r\nEMAIL:a@b.c\r\n") << "email" << QStringLiteral("a@b.c");
    QTest::newRow("AGENT card does not leak")
        << card("FN:Boss\r\nAGENT:\r\nBEGIN:VCARD\r\nVERSION:2.1\r\nFN:Assistant\r\n"
                "EMAIL:assistant@example.org\r\nEND:VCARD\r\nEMAIL:boss@example.org\r\n",
                "2.1")
        << "email" << QStringLiteral("boss@example.org");
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
    };
    QVERIFY(fields.contains(field));
    QCOMPARE(fields[field], expected);
}

void TestVCardReader::groups_data() {
    QTest::addColumn<QByteArray>("data");
    QTest::addColumn<bool>("isGroup");
    QTest::newRow("vCard 4 kind group") << card("KIND:group\r\nFN:Team\r\n", "4.0") << true;
    QTest::newRow("kind upper case") << card("KIND:GROUP\r\n", "4.0") << true;
    QTest::newRow("kind individual") << card("KIND:individual\r\nFN:A\r\n", "4.0") << false;
    QTest::newRow("Apple group") << card("X-ADDRESSBOOKSERVER-KIND:group\r\nFN:Team\r\n") << true;
    QTest::newRow("Apple group, mixed case")
        << card("x-addressbookserver-kind:Group\r\nFN:Team\r\n") << true;
    QTest::newRow("Evolution list")
        << card("FN:Team\r\nX-EVOLUTION-LIST:TRUE\r\nEMAIL;X-EVOLUTION-DEST-NAME=A:a@b.c\r\n")
        << true;
    QTest::newRow("Evolution list, lower case") << card("x-evolution-list:true\r\n") << true;
    QTest::newRow("Evolution non-list") << card("X-EVOLUTION-LIST:FALSE\r\n") << false;
    QTest::newRow("plain contact") << card("FN:Someone\r\n") << false;
}

void TestVCardReader::groups() {
    QFETCH(QByteArray, data);
    QFETCH(bool, isGroup);
    const QList<ContactCard> cards = VCardReader::readData(data);
    QCOMPARE(cards.size(), 1);
    QCOMPARE(cards[0].isGroup, isGroup);
    QCOMPARE(cards[0].isContact(), !isGroup);
}

void TestVCardReader::cardBoundaries_data() {
    QTest::addColumn<QByteArray>("data");
    QTest::addColumn<QStringList>("names");
    QTest::newRow("three cards") << card("FN:A\r\n") + card("FN:B\r\n") + card("FN:C\r\n")
                                 << QStringList{"A", "B", "C"};
    QTest::newRow("missing END before the next card")
        << QByteArray("BEGIN:VCARD\r\nFN:A\r\nBEGIN:VCARD\r\nFN:B\r\nEND:VCARD\r\n")
        << QStringList{"A", "B"};
    QTest::newRow("missing END at the end") << card("FN:A\r\n") + "BEGIN:VCARD\r\nFN:B\r\n"
                                            << QStringList{"A", "B"};
    QTest::newRow("missing VERSION")
        << QByteArray("BEGIN:VCARD\nFN:A\nEND:VCARD\n") << QStringList{"A"};
    QTest::newRow("mixed-case markers")
        << QByteArray("begin:vCard\nfn:A\nEnd:VCard\n") << QStringList{"A"};
    QTest::newRow("nested AGENT card")
        << card("FN:Boss\r\nAGENT:\r\nBEGIN:VCARD\r\nFN:Assistant\r\nEND:VCARD\r\nTEL:1\r\n",
                "2.1") +
               card("FN:Next\r\n")
        << QStringList{"Boss", "Next"};
    QTest::newRow("AGENT card as a value")
        << card("FN:Boss\r\nAGENT:BEGIN:VCARD\\nFN:Assistant\\nEND:VCARD\r\n") + card("FN:Next\r\n")
        << QStringList{"Boss", "Next"};
    QTest::newRow("text around cards") << "Exported contacts\r\n" + card("FN:A\r\n") + "-- end\r\n"
                                       << QStringList{"A"};
    QTest::newRow("no card at all")
        << QByteArray("FN:A\r\nEMAIL:a@b.c\r\nEND:VCARD\r\n") << QStringList{};
    QTest::newRow("empty file") << QByteArray() << QStringList{};
}

void TestVCardReader::cardBoundaries() {
    QFETCH(QByteArray, data);
    QFETCH(QStringList, names);
    const QList<ContactCard> cards = VCardReader::readData(data);
    QStringList read;
    for (const ContactCard& c : cards)
        read.push_back(c.fn);
    QCOMPARE(read, names);
}

// Every damaged input must be read quickly, without a crash, keeping the cards
// that come before the damage.
void TestVCardReader::damagedInput_data() {
    QTest::addColumn<QByteArray>("data");
    QTest::addColumn<int>("minimumCards");
    QTest::addColumn<QString>("firstName");

    const QByteArray good = card("FN:Good\r\nEMAIL:good@example.org\r\n");

    QTest::newRow("truncated card")
        << good + "BEGIN:VCARD\r\nVERSION:3.0\r\nFN:Cut\r\nEMA" << 2 << "Good";

    QByteArray binary(256 * 1024, Qt::Uninitialized);
    QRandomGenerator random(20240611);
    for (char& b : binary)
        b = char(random.bounded(256));
    QTest::newRow("random binary") << binary << 0 << QString();
    QTest::newRow("random binary after a card") << good + binary << 1 << "Good";

    QTest::newRow("5 MB single line")
        << good + card("NOTE:" + QByteArray(5 * 1024 * 1024, 'x') + "\r\nFN:Long\r\n") << 2
        << "Good";
    QTest::newRow("5 MB without any line break")
        << good + "BEGIN:VCARD\r\nFN:" + QByteArray(5 * 1024 * 1024, 'y') << 2 << "Good";

    QByteArray folds = "BEGIN:VCARD\r\nVERSION:3.0\r\nNOTE:start";
    folds.reserve(folds.size() + 4 * 1000000 + 64);
    for (int i = 0; i < 1000000; ++i)
        folds += "\r\n x";
    folds += "\r\nFN:Folded\r\nEND:VCARD\r\n";
    QTest::newRow("a million folds") << good + folds << 2 << "Good";

    QByteArray qpBreaks = "BEGIN:VCARD\r\nVERSION:2.1\r\nNOTE;QUOTED-PRINTABLE:";
    for (int i = 0; i < 200000; ++i)
        qpBreaks += "=41=\r\n";
    qpBreaks += "\r\nFN:Soft\r\nEND:VCARD\r\n";
    QTest::newRow("many soft line breaks") << good + qpBreaks << 2 << "Good";

    QTest::newRow("missing END") << good + "BEGIN:VCARD\r\nFN:Open\r\n" << 2 << "Good";
    static const char withNul[] = "BEGIN:VCARD\r\nFN:N\0ul\r\nEMAIL:\0\0\r\nEND:VCARD\r\n";
    QTest::newRow("NUL bytes") << good + QByteArray(withNul, sizeof(withNul) - 1) << 2 << "Good";
    QTest::newRow("invalid UTF-8")
        << good + card("FN:Bad \xC3\x28 \xFF\xFE seq\r\n") << 2 << "Good";
    QTest::newRow("unterminated quote in a parameter")
        << good + card("ADR;LABEL=\"oops:;;1 Main;Town;;;\r\nFN:Quote\r\n") << 2 << "Good";
    QTest::newRow("nested card never closed")
        << good + card("FN:Boss\r\nAGENT:\r\nBEGIN:VCARD\r\nFN:Inner\r\n", "2.1") << 2 << "Good";
    QTest::newRow("only markers") << QByteArray("BEGIN:VCARD\nEND:VCARD\nEND:VCARD\nBEGIN:VCARD\n")
                                  << 2 << QString();
}

void TestVCardReader::damagedInput() {
    QFETCH(QByteArray, data);
    QFETCH(int, minimumCards);
    QFETCH(QString, firstName);
    QElapsedTimer timer;
    timer.start();
    const QList<ContactCard> cards = VCardReader::readData(data);
    QVERIFY2(timer.elapsed() < 5000, qPrintable(QString::number(timer.elapsed())));
    QVERIFY(cards.size() >= minimumCards);
    if (!firstName.isEmpty())
        QCOMPARE(cards.first().fn, firstName);
    for (const ContactCard& c : cards) {
        QVERIFY(c.fn.size() <= VCardReader::MaxLineLength);
        QVERIFY(!c.fn.contains(QChar(u'\0')));
    }
}

void TestVCardReader::windows1252Table_data() {
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<QString>("text");
    QTest::newRow("ascii") << QByteArray("abc") << QStringLiteral("abc");
    QTest::newRow("euro") << QByteArray("\x80") << QStringLiteral("\u20AC");
    QTest::newRow("dashes") << QByteArray("\x96\x97") << QStringLiteral("\u2013\u2014");
    QTest::newRow("undefined stays") << QByteArray("\x81\x8D") << QStringLiteral("\u0081\u008D");
    QTest::newRow("latin-1 range") << QByteArray("\xE9\xFF") << QStringLiteral("\u00E9\u00FF");
    QTest::newRow("y diaeresis") << QByteArray("\x9F") << QStringLiteral("\u0178");
}

void TestVCardReader::windows1252Table() {
    QFETCH(QByteArray, bytes);
    QFETCH(QString, text);
    QCOMPARE(VCardReader::decodeWindows1252(bytes), text);
}

QTEST_GUILESS_MAIN(TestVCardReader)
#include "tst_vcardreader.moc"
