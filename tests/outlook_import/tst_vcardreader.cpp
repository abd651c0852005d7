// SPDX-License-Identifier: GPL-3.0-or-later
#include "vcard/VCardReader.h"

#include <QDir>
#include <QFile>
#include <QMap>
#include <QRandomGenerator>
#include <QtTest>

namespace {

const QString kCorpusDir = QStringLiteral(QUILLARY_SOURCE_DIR "/tests/data/vcard-corpus");

QByteArray card(const QByteArray& body, const QByteArray& version = "3.0") {
    return "BEGIN:VCARD\r\nVERSION:" + version + "\r\n" + body + "END:VCARD\r\n";
}

} // namespace

class TestVCardReader : public QObject {
    Q_OBJECT

private slots:
    // Every card of every file in the corpus gives the values listed in expected.tsv.
    void corpus_data() {
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
    void corpus() {
        QFETCH(QString, file);
        QStringList read;
        for (const ContactCard& c : VCardReader::readFile(kCorpusDir + u'/' + file))
            read << QStringList{c.isGroup ? "1" : "0",
                                c.fn,
                                c.email,
                                c.street,
                                c.city,
                                c.region,
                                c.postalCode,
                                c.homePhone}
                        .join(u'\t');
        QTEST(read, "expected");
    }
    // Large or random texts, made here rather than kept as files: which cards
    // they give, by name. Small samples are files of the corpus above.
    void cards_data() {
        QTest::addColumn<QByteArray>("data");
        QTest::addColumn<QStringList>("names");
        const QByteArray good = card("FN:Good\r\n");
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
        QTest::newRow("only markers")
            << QByteArray("BEGIN:VCARD\nEND:VCARD\nEND:VCARD\nBEGIN:VCARD\n")
            << QStringList{"", ""};
    }
    void cards() {
        QFETCH(QByteArray, data);
        QStringList read;
        for (const ContactCard& c : VCardReader::readData(data))
            read << c.fn;
        QTEST(read, "names");
    }
    // The name a card is listed under when it has no FN.
    void displayValue_data() {
        QTest::addColumn<QByteArray>("data");
        QTest::addColumn<QString>("expected");
        QTest::newRow("FN") << card("FN:Ann Smith\r\nN:Doe;Jo;;;\r\n") << "Ann Smith";
        QTest::newRow("N") << card("FN:\r\nN:Smith;Ann;Q;Dr.;\r\nORG:Acme\r\n") << "Ann Smith";
        QTest::newRow("ORG") << card("N:;;;;\r\nORG:Acme Ltd;Sales\r\nEMAIL:a@acme.test\r\n")
                             << "Acme Ltd";
        QTest::newRow("e-mail") << card("EMAIL:a@acme.test\r\n") << "a@acme.test";
    }
    void displayValue() {
        QFETCH(QByteArray, data);
        const QList<ContactCard> cards = VCardReader::readData(data);
        QCOMPARE(cards.size(), 1);
        QTEST(cards[0].displayValue, "expected");
    }
};

QTEST_GUILESS_MAIN(TestVCardReader)
#include "tst_vcardreader.moc"
