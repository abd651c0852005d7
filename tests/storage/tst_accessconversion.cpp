// SPDX-License-Identifier: GPL-3.0-or-later
// Converting Access lists: every table of the test files comes over exactly,
// refused files and failed conversions leave the folder as it was, the text
// decoders agree with a reference, and damaged files never take the program down.
#include "storage/AccessConversion.h"
#include "storage/AccessText.h"
#include "support/AccessData.h"
#include "support/TestFolder.h"

#include <QRandomGenerator>
#include <QtTest>
#include <iconv.h>
#include <sys/stat.h>

using AccessConversion::Refused;
using Reason = AccessConversion::Refused::Reason;

namespace {
const QString list = QStringLiteral("List.mdb");

AccessConversion::Hooks answering(QStringList answers, int* asked = nullptr) {
    AccessConversion::Hooks hooks;
    hooks.password = [answers, asked](const QString&, bool) mutable -> std::optional<QString> {
        if (asked)
            ++*asked;
        if (answers.isEmpty())
            return std::nullopt;
        return answers.takeFirst();
    };
    return hooks;
}

// Text converted by iconv; empty when it cannot be.
QByteArray windows1252(QByteArray in, const char* from, const char* to) {
    iconv_t cd = iconv_open(to, from);
    char out[16] = {};
    char* pin = in.data();
    char* pout = out;
    std::size_t nin = std::size_t(in.size()), nout = sizeof out;
    const bool ok = iconv(cd, &pin, &nin, &pout, &nout) != std::size_t(-1);
    iconv_close(cd);
    return ok ? QByteArray(out, pout - out) : QByteArray();
}

int orDefault(const char* variable, int otherwise) {
    const int v = qEnvironmentVariableIntValue(variable);
    return v > 0 ? v : otherwise;
}

// The reason a conversion was refused; nullopt when it converted.
std::optional<Reason> outcome(const QString& path, const AccessConversion::Hooks& hooks,
                              QString* message = nullptr) {
    try {
        AccessConversion::convert(path, QStringLiteral("pName2"), hooks);
    } catch (const Refused& e) {
        if (message)
            *message = e.message();
        return e.reason();
    }
    return std::nullopt;
}
} // namespace

class tst_AccessConversion : public QObject {
    Q_OBJECT
private slots:
    void convertsExactly_data() {
        QTest::addColumn<QString>("mdb");
        QTest::addColumn<QString>("table");
        for (const QString& tsv : QDir(accessData({})).entryList({QStringLiteral("*.tsv")})) {
            const QStringList parts = tsv.chopped(4).split(QLatin1Char('.'));
            QTest::newRow(qPrintable(tsv))
                << parts.mid(0, parts.size() - 1).join('.') << parts.last();
        }
    }
    // A list or area code table becomes the program's list, every field as
    // stored; other tables are read as stored and stay in the kept original.
    void convertsExactly() {
        QFETCH(QString, mdb);
        QFETCH(QString, table);
        const QStringList expected = tsvLines(mdb, table);
        const QStringList columns = expected.first().split(QLatin1Char('\t'));
        TestFolder folder;
        folder.write(list, accessBytes(mdb));
        if (table != QLatin1String("pName2") && table != QLatin1String("TelephoneAreas")) {
            const AccessConversion::Table t = AccessConversion::read(folder.file(list), table);
            QStringList lines{QString::fromStdString(t.columns.front())};
            for (std::size_t c = 1; c < t.columns.size(); ++c)
                lines.first() += QLatin1Char('\t') + QString::fromStdString(t.columns[c]);
            for (std::size_t r = 0; r < t.rowCount(); ++r) {
                QStringList fields;
                for (std::size_t c = 0; c < t.columns.size(); ++c)
                    fields << tsvEscaped(t.cells[r * t.columns.size() + c]);
                lines << fields.join(QLatin1Char('\t'));
            }
            QCOMPARE(lines, expected);
            return;
        }
        const AccessConversion::Converted done = AccessConversion::convert(
            folder.file(list), table, answering({QStringLiteral("Geheim!42")}));
        QCOMPARE(done.rows, expected.size() - 1);
        QCOMPARE(storedLines(folder.file(list), table, columns), expected);
        QCOMPARE(folder.read(done.keptAs), accessBytes(mdb));
        QCOMPARE(folderContents(folder.path()).keys(), QStringList({list, done.keptAs}));
        QStringList others;
        for (const QString& tsv : QDir(accessData({})).entryList({mdb + QStringLiteral(".*.tsv")}))
            if (tsv != mdb + QLatin1Char('.') + table + QStringLiteral(".tsv"))
                others << tsv.mid(mdb.size() + 1).chopped(4);
        QCOMPARE(done.otherTables, others);
    }

    // A second original of the same name is kept beside the first, never over it.
    void keptOriginalsNeverOverwritten() {
        TestFolder folder;
        for (const char* mdb : {"small_V2000.mdb", "case_V2000.mdb"}) {
            folder.write(list, accessBytes(QString::fromLatin1(mdb)));
            const auto done = AccessConversion::convert(folder.file(list), "pName2", {});
            QCOMPARE(folder.read(done.keptAs), accessBytes(QString::fromLatin1(mdb)));
        }
        QCOMPARE(folderContents(folder.path()).size(), 3);
    }

    void refuses_data() {
        QTest::addColumn<QString>("mdb");
        QTest::addColumn<int>("cutTo");
        QTest::addColumn<int>("flipAt");
        QTest::addColumn<QStringList>("answers");
        QTest::addColumn<int>("reason");
        QTest::addColumn<int>("asked");
        QTest::addColumn<QString>("says");
        QTest::addColumn<QString>("reader");
        QTest::addColumn<int>("zeroPage");
        const auto row = [](const char* name, const char* mdb, int cut, int flip,
                            QStringList answers, Reason r, int asked, const char* says,
                            const char* reader = "", int zeroPage = 0) {
            QTest::newRow(name) << QString::fromLatin1(mdb) << cut << flip << answers << int(r)
                                << asked << QString::fromUtf8(says) << QString::fromUtf8(reader)
                                << zeroPage;
        };
        row("no pName2", "nopname2_V2000.mdb", 0, 0, {}, Reason::NotAList, 0,
            "is not a phonebook list");
        row("cut short", "small_V2000.mdb", 200000, 0, {}, Reason::Damaged, 0, "damaged");
        row("cut at a page", "large_V2000.mdb", 4096 * 900, 0, {}, Reason::Damaged, 0, "damaged");
        row("header cut", "small_V2000.mdb", 4096, 0, {}, Reason::Damaged, 0, "damaged");
        row("encoded pages", "small_V2000.mdb", 0, 0x3e, {}, Reason::Encrypted, 0, "Decrypt");
        row("encrypted ACE", "small_V2007.accdb", 0, 0x42, {}, Reason::Encrypted, 0, "Decrypt");
        row("password cancelled", "password_V2000.mdb", 0, 0, {}, Reason::NoPassword, 1, "");
        row("wrong password, then cancelled", "password_V2000.mdb", 0, 0, {"geheim!42", "Geheim"},
            Reason::NoPassword, 3, "");
        row("no reader", "small_V2000.mdb", 0, 0, {}, Reason::NoReader, 0, "could not be started",
            "/nonexistent/quillary-access-reader");
        // Pages holding the notes of the first contact and the 3,000-character note.
        row("a note's page zeroed", "small_V2000.mdb", 0, 0, {}, Reason::Damaged, 0, "damaged", "",
            28);
        row("a long note's page zeroed", "small_V2000.mdb", 0, 0, {}, Reason::Damaged, 0, "damaged",
            "", 32);
    }
    // Nothing is written for a refused file, and the user hears why, by name.
    void refuses() {
        QFETCH(QString, mdb);
        QFETCH(int, cutTo);
        QFETCH(int, flipAt);
        QFETCH(QStringList, answers);
        QFETCH(QString, says);
        QFETCH(QString, reader);
        QFETCH(int, zeroPage);
        AccessConversion::setReaderForTesting(reader);
        QByteArray bytes = accessBytes(mdb);
        if (zeroPage)
            bytes.replace(zeroPage * 4096, 4096, QByteArray(4096, '\0'));
        if (cutTo)
            bytes.truncate(cutTo);
        if (flipAt)
            bytes[flipAt] = char(bytes[flipAt] ^ 0x5a);
        TestFolder folder;
        folder.write(list, bytes);
        const auto before = folderContents(folder.path());
        int count = 0;
        QString message;
        const auto result = outcome(folder.file(list), answering(answers, &count), &message);
        AccessConversion::setReaderForTesting(QString());
        QTEST(int(result.value_or(Reason(-1))), "reason");
        QTEST(count, "asked");
        QVERIFY2(message.contains(says) && (says.isEmpty() || message.contains(list)),
                 qPrintable(message));
        QCOMPARE(folderContents(folder.path()), before);
    }

    // The program and its reader refuse what is not a regular file at once,
    // never waiting in it: a FIFO would hold them until a writer came.
    void readerRefusesFifo() {
        TestFolder folder;
        QVERIFY(::mkfifo(QFile::encodeName(folder.file(list)).constData(), 0600) == 0);
        QVERIFY(!AccessConversion::isAccessFile(folder.file(list)));
        AccessConversion::setTimeLimitMs(3000);
        const int stopped = AccessConversion::readerCounts().timeouts;
        std::optional<Reason> reason;
        try {
            AccessConversion::read(folder.file(list), QStringLiteral("pName2"));
        } catch (const Refused& e) {
            reason = e.reason();
        }
        AccessConversion::setTimeLimitMs(15000);
        QCOMPARE(reason, std::optional(Reason::Damaged));
        QCOMPARE(AccessConversion::readerCounts().timeouts, stopped);
    }

    void failedWriteKeepsOriginal_data() {
        QTest::addColumn<int>("step");
        for (int step = 1; step <= 4; ++step)
            QTest::addRow("step %d", step) << step;
    }
    // A failure at any writing step leaves the original under its own name and
    // nothing else.
    void failedWriteKeepsOriginal() {
        QFETCH(int, step);
        TestFolder folder;
        folder.write(list, accessBytes(QStringLiteral("large_V2000.mdb")));
        const auto before = folderContents(folder.path());
        AccessConversion::failAtStep(step);
        const auto reason = outcome(folder.file(list), {});
        AccessConversion::failAtStep(0);
        QCOMPARE(reason, std::optional(Reason::NotWritable));
        QCOMPARE(folderContents(folder.path()), before);
    }

    // Access 97 texts are 8-bit Windows-1252. Each "rowN" holds U+00NN between
    // "AA" and "AA", as far as the code page has it.
    void jet3TextIsWindows1252() {
        const auto t = AccessConversion::read(accessData("jet3/testIndexCodesV1997.mdb"),
                                              QStringLiteral("Table1"));
        int checked = 0;
        for (std::size_t r = 0; r < t.rowCount(); ++r) {
            const char32_t code = QString::fromStdString(*t.cells[2 * r]).mid(3).toUInt();
            const QString c = QString::fromUcs4(&code, 1);
            // Codes below the blank were stored as other characters.
            if (code < 0x20 || code > 0xff ||
                windows1252(c.toUtf8(), "UTF-8", "WINDOWS-1252").isEmpty())
                continue;
            QCOMPARE(QString::fromStdString(*t.cells[2 * r + 1]), "AA" + c + "AA");
            ++checked;
        }
        QVERIFY(checked > 180);
        // Every byte the code page defines reads as iconv reads it.
        for (int b = 1; b < 256; ++b) {
            const unsigned char byte = static_cast<unsigned char>(b);
            const QByteArray reference =
                windows1252(QByteArray(1, char(byte)), "WINDOWS-1252", "UTF-8");
            if (!reference.isEmpty())
                QCOMPARE(QByteArray::fromStdString(AccessText::fromJet3(&byte, 1)), reference);
        }
    }

    // Random texts of every kind, written as Jet 4 stores them (UTF-16LE or
    // the compressed form), read back exactly. QUILLARY_MODEL_ROUNDS runs longer.
    void textMatchesReference() {
        const int rounds = orDefault("QUILLARY_MODEL_ROUNDS", 3000);
        QRandomGenerator rng(20);
        const char32_t pools[][2] = {{0x20, 0x7e},     {0xa0, 0xff},       {0x370, 0x6ff},
                                     {0x4e00, 0x9fff}, {0x1f300, 0x1faff}, {'\n', '\r'}};
        for (int round = 0; round < rounds; ++round) {
            std::u32string text(rng.bounded(40), U' ');
            for (char32_t& c : text) {
                const auto& pool = pools[rng.bounded(6)];
                c = pool[0] + rng.bounded(quint32(pool[1] - pool[0] + 1));
            }
            const QString reference = QString::fromUcs4(text.data(), text.size());
            QByteArray plain, compressed("\xff\xfe", 2);
            bool inCompressed = true;
            for (const QChar u : reference) {
                const bool small = u.unicode() > 0 && u.unicode() < 0x100;
                plain.append(char(u.unicode() & 0xff)).append(char(u.unicode() >> 8));
                // Units with a zero byte cannot be compressed or sent uncompressed.
                if (!small && ((u.unicode() & 0xff) == 0 || (u.unicode() >> 8) == 0))
                    compressed.clear();
                if (compressed.isEmpty())
                    continue;
                if (small != inCompressed)
                    compressed.append('\0');
                inCompressed = small;
                if (small)
                    compressed.append(char(u.unicode()));
                else
                    compressed.append(char(u.unicode() & 0xff)).append(char(u.unicode() >> 8));
            }
            for (const QByteArray& stored : {plain, compressed}) {
                if (stored.isEmpty())
                    continue;
                const auto* p = reinterpret_cast<const unsigned char*>(stored.constData());
                QCOMPARE(
                    QString::fromStdString(AccessText::fromJet4(p, std::size_t(stored.size()))),
                    reference);
            }
        }
    }

    // Damaged copies of the test files: each converts to a list or is refused
    // with the folder as it was; a reader that crashes or hangs never takes the
    // program along. Where whole pages are lost, a converted list holds only
    // contacts of the original, exactly. QUILLARY_FUZZ_SECONDS runs longer and
    // prints the figures.
    void survivesDamagedFiles() {
        const int seconds = orDefault("QUILLARY_FUZZ_SECONDS", 4);
        const QStringList sources = {"small_V2000.mdb",    "small_V2010.accdb",
                                     "extra_V2000.mdb",    "AreaCodes_V2000.mdb",
                                     "password_V2000.mdb", "jet3/testV1997.mdb"};
        QRandomGenerator rng(orDefault("QUILLARY_FUZZ_SEED", 20));
        AccessConversion::setTimeLimitMs(5000);
        const auto start = AccessConversion::readerCounts();
        int runs = 0, converted = 0;
        QElapsedTimer clock;
        clock.start();
        while (clock.elapsed() < seconds * 1000) {
            const QString source = sources[rng.bounded(qsizetype(sources.size()))];
            QByteArray bytes = accessBytes(source);
            // Jet 3 (version 0 at 0x14) has pages of 2 KiB, later formats 4 KiB.
            const int page = bytes.at(0x14) == 0 ? 2048 : 4096;
            const bool pagesLost = rng.bounded(2) == 0;
            for (int n = int(rng.bounded(1, 3)); pagesLost && n > 0; --n)
                bytes.replace(qsizetype(rng.bounded(bytes.size() / page)) * page, page,
                              QByteArray(page, '\0'));
            for (int n = pagesLost ? 0 : int(rng.bounded(1, 40)); n > 0; --n) {
                // Mostly the pages that describe the tables and their rows.
                const int at = rng.bounded(4) == 0 ? int(rng.bounded(bytes.size()))
                                                   : page + int(rng.bounded(page * 8));
                if (at < bytes.size())
                    bytes[at] = char(rng.bounded(3) == 0 ? 0xff : rng.bounded(256));
            }
            if (rng.bounded(8) == 0)
                bytes.truncate(qsizetype(rng.bounded(bytes.size() / page + 1)) * page);
            TestFolder folder;
            folder.write(list, bytes);
            const auto before = folderContents(folder.path());
            QString message;
            const auto reason = outcome(folder.file(list), answering({"Geheim!42"}), &message);
            ++runs;
            if (reason) {
                QCOMPARE(folderContents(folder.path()), before);
                QVERIFY(!message.isEmpty() || *reason == Reason::NoPassword);
            } else {
                ++converted;
                const QStringList original = tsvLines(source, QStringLiteral("pName2"));
                if (!pagesLost || original.isEmpty()) {
                    QCOMPARE(storedLines(folder.file(list), "pName2", {"pName"}).first(), "pName");
                    continue;
                }
                for (const QString& line :
                     storedLines(folder.file(list), "pName2", original.first().split('\t')))
                    QVERIFY2(original.contains(line), qPrintable(source + ": " + line.left(80)));
            }
        }
        AccessConversion::setTimeLimitMs(15000);
        const auto end = AccessConversion::readerCounts();
        qInfo("damaged files: %d runs, %d converted, reader crashes caught: %d, hangs stopped: %d",
              runs, converted, end.crashes - start.crashes, end.timeouts - start.timeouts);
        QVERIFY(runs > 0);
    }
};

QTEST_GUILESS_MAIN(tst_AccessConversion)
#include "tst_accessconversion.moc"
