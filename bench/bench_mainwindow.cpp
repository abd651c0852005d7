// SPDX-License-Identifier: GPL-3.0-or-later
// Main window figures: the list fill against a raw ordered scan, start-up to
// first paint, choosing an entry, the company fill, deleting a contact, memory.
#include "BenchTable.h"
#include "Benches.h"
#include "ContactGenerator.h"

#include "main_window/pList.h"
#include "platform/AppFolder.h"
#include "platform/MsgBox.h"
#include "platform/NoteBox.h"
#include "platform/Recordset.h"

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QKeyEvent>
#include <QTemporaryDir>
#include <SQLiteCpp/SQLiteCpp.h>
#include <algorithm>
#include <sqlite3.h>

namespace {
QString ms(double seconds) {
    return QString::number(seconds * 1000.0, 'f', 1) + " ms";
}
QString ratio(double r) {
    return QString::number(r, 'f', 2) + "x";
}

// The raw engine's ordered scan of one column, through the C API.
double rawOrderedScan(const QString& path, const char* column) {
    sqlite3* db = nullptr;
    sqlite3_open_v2(path.toUtf8().constData(), &db, SQLITE_OPEN_READONLY, nullptr);
    const QByteArray sql =
        QByteArray("SELECT ") + column + " FROM pName2 ORDER BY " + column + " COLLATE NOCASE";
    double best = 1e9;
    for (int run = 0; run < 3; ++run) {
        best = std::min(best, secondsOf([&] {
                            sqlite3_stmt* st = nullptr;
                            sqlite3_prepare_v2(db, sql.constData(), -1, &st, nullptr);
                            qint64 bytes = 0;
                            while (sqlite3_step(st) == SQLITE_ROW)
                                bytes += sqlite3_column_bytes(st, 0);
                            sqlite3_finalize(st);
                            Q_UNUSED(bytes);
                        }));
    }
    sqlite3_close(db);
    return best;
}

class PaintWatch : public QObject {
public:
    bool painted = false;
    bool eventFilter(QObject*, QEvent* e) override {
        if (e->type() == QEvent::Paint)
            painted = true;
        return false;
    }
};

QString makeFolder(const QTemporaryDir& dir, int size) {
    const QString folder = dir.filePath(QString::number(size));
    QDir().mkpath(folder);
    QFile::copy(QStringLiteral(QUILLARY_DATA_BUILD_DIR "/Template.dat"), folder + "/Quillary.mdb");
    QFile ini(folder + "/plist.ini");
    ini.open(QIODevice::WriteOnly);
    ini.write("[lastdb]\r\ndb=Quillary.mdb\r\n");
    ini.close();
    generateContacts(folder + "/Quillary.mdb", size);
    return folder;
}
} // namespace

void benchMainWindow(BenchTable& table, const QList<int>& sizes) {
    QTemporaryDir dir;
    MsgBox::setScripted(true);
    for (int size : sizes) {
        const QString label = QString::number(size) + " contacts";
        const QString folder = makeFolder(dir, size);
        const QString list = folder + "/Quillary.mdb";
        AppFolder::setProgramFolderForTesting(folder);

        const double baseline = rawOrderedScan(list, "pName");
        table.add("raw ordered scan of pName, " + label, ms(baseline));

        // Start-up to first paint.
        PaintWatch watch;
        auto* w = new pList;
        w->showListChooser = [] {};
        w->showNewList = [] {};
        w->List1->viewport()->installEventFilter(&watch);
        const double startup = secondsOf([&] {
            w->Form_Load();
            w->show();
            while (!watch.painted)
                QApplication::processEvents(QEventLoop::AllEvents, 5);
        });
        const bool startupTarget = size == 100000;
        table.add("start-up to first paint, " + label, ms(startup),
                  startupTarget ? "<= 300 ms" : QString(), startup <= 0.300);

        // The refresh fill through the real window, best of three.
        double fill = 1e9;
        for (int run = 0; run < 3; ++run)
            fill = std::min(fill, secondsOf([&] {
                                w->Refresh_Click(0);
                                w->List1->listCount();
                            }));
        const bool fillTarget = size == 1000000;
        const int listed = w->List1->listCount();
        table.add("entries listed, " + label, QString::number(listed), QString::number(size),
                  listed == size);
        table.add("Refresh_Click fill, " + label, ms(fill) + " (" + ratio(fill / baseline) + ")",
                  fillTarget ? "<= 4x raw" : QString(), fill <= 4 * baseline);

        // Choosing entries spread through the list.
        w->LoadIndiv_Click(0);
        const int count = w->List1->listCount();
        std::vector<double> clicks;
        for (int i = 0; i < 100 && count > 0; ++i) {
            const int index = static_cast<int>(static_cast<qint64>(i) * (count - 1) / 99);
            clicks.push_back(secondsOf([&] { w->List1->setListIndex(index); }));
        }
        std::sort(clicks.begin(), clicks.end());
        const double median = clicks.empty() ? 0 : clicks[clicks.size() / 2];
        const double worst = clicks.empty() ? 0 : clicks.back();
        table.add("List1_Click median / worst, " + label, ms(median) + " / " + ms(worst),
                  fillTarget ? "median <= 5 ms" : QString(), median <= 0.005);

        // The company fill against the raw ordered scan of CompanyName.
        const double companyBaseline = rawOrderedScan(list, "CompanyName");
        double company = 1e9;
        for (int run = 0; run < 3; ++run)
            company = std::min(company, secondsOf([&] {
                                   w->LoadCompany_Click(0);
                                   w->List1->listCount();
                               }));
        table.add("LoadCompany_Click fill, " + label,
                  ms(company) + " (" + ratio(company / companyBaseline) + " of " +
                      ms(companyBaseline) + ")",
                  fillTarget ? "<= 4x raw" : QString(), company <= 4 * companyBaseline);

        // Deleting one contact, the closing refresh included.
        w->LoadIndiv_Click(0);
        w->List1->setListIndex(count / 2);
        MsgBox::setNextAnswer(MsgBox::Answer::Ok);
        const double deletion = secondsOf([&] {
            w->Delete_Click(0);
            w->List1->listCount();
        });
        table.add("Delete_Click incl. refresh, " + label, ms(deletion),
                  fillTarget ? "<= 1000 ms" : QString(), deletion <= 1.0);

        w->close();
        delete w;
        QApplication::processEvents();
        const double peak = peakRssMiB();
        table.add("peak RSS after " + label, QString::number(peak, 'f', 0) + " MiB",
                  fillTarget ? "<= 200 MiB" : QString(), peak <= 200);
        AppFolder::setProgramFolderForTesting(QString());
    }
    MsgBox::setScripted(false);
}

namespace {
// One contact with the note given: open the list, select the contact, type
// one character at the end of the note through the notes box's keys and store
// it. Returns the seconds taken; `stored` receives the note as stored.
double noteRoundTrip(const QString& note, QString& stored) {
    QTemporaryDir dir;
    const QString folder = makeFolder(dir, 0);
    const std::string list = (folder + "/Quillary.mdb").toStdString();
    {
        SQLite::Database db(list, SQLite::OPEN_READWRITE);
        SQLite::Statement q(db, "INSERT INTO pName2 (pName, pNotes) VALUES ('Ann', ?)");
        q.bind(1, note.toStdString());
        q.exec();
    }
    AppFolder::setProgramFolderForTesting(folder);
    auto* w = new pList;
    w->showListChooser = [] {};
    w->showNewList = [] {};
    const double seconds = secondsOf([&] {
        w->Form_Load();
        w->show();
        w->List1->setListIndex(0);
        QApplication::processEvents();
        QKeyEvent toEnd(QEvent::KeyPress, Qt::Key_End, Qt::ControlModifier);
        QKeyEvent typed(QEvent::KeyPress, Qt::Key_X, {}, QStringLiteral("x"));
        QApplication::sendEvent(w->Text5, &toEnd);
        QApplication::sendEvent(w->Text5, &typed);
        QApplication::processEvents();
        w->Refresh_Click(0);
        QApplication::processEvents();
    });
    delete w;
    AppFolder::setProgramFolderForTesting(QString());
    SQLite::Database db(list, SQLite::OPEN_READONLY);
    stored = QString::fromStdString(db.execAndGet("SELECT pNotes FROM pName2").getString());
    return seconds;
}

// `length` characters in `lines` lines, of `unit` repeated.
QString noteOf(const QString& unit, qsizetype length, qsizetype lines) {
    const qsizetype text = length - (lines - 1);
    QString note;
    note.reserve(length);
    for (qsizetype i = 0; i < lines; ++i) {
        if (i > 0)
            note += u'\n';
        const qsizetype lineLength = text * (i + 1) / lines - text * i / lines;
        for (qsizetype c = 0; c < lineLength; ++c)
            note += unit[c % unit.size()];
    }
    return note;
}
} // namespace

void benchLongNotes(BenchTable& table, int longestNote) {
    MsgBox::setScripted(true);
    struct Row {
        QString what;
        QString note;
        double target; // seconds; 0 for none
    };
    const int memo = 65535;
    const QList<Row> rows = {
        {"65,535 characters, one line", noteOf("n", memo, 1), 0.1},
        {"65,535 characters, 1,000 lines", noteOf("w ", memo, 1000), 0.1},
        {"1 MB, one line", noteOf("n", 1000000, 1), 2.0},
        {QString::number(longestNote / 1e6) + " MB, one line", noteOf("n", longestNote, 1), 0},
    };
    for (const Row& row : rows) {
        QString stored;
        const double seconds = noteRoundTrip(row.note, stored);
        const bool kept = stored == row.note + "x";
        const QString what = "open, select, edit, store a note of " + row.what;
        if (row.target > 0)
            table.add(what, ms(seconds) + (kept ? "" : ", stored note differs"),
                      "<= " + ms(row.target).remove(".0"), kept && seconds <= row.target);
        else
            table.add(what, ms(seconds), "stored as typed", kept);
    }
    MsgBox::setScripted(false);
}
