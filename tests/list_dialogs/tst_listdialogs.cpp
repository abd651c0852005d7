// SPDX-License-Identifier: GPL-3.0-or-later
#include "support/Failures.h"
#include "support/Harness.h"

#include "list_dialogs/NewDB.h"
#include "list_dialogs/frmCopyList.h"
#include "list_dialogs/frmFM.h"
#include "platform/FileSystem.h"
#include "platform/FolderDialog.h"

#include <QDir>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <sys/stat.h>

namespace {
const QString home = QStringLiteral("Quillary.mdb");
const char* refuseUpdates = "CREATE TRIGGER no BEFORE UPDATE ON pName2 BEGIN "
                            "SELECT RAISE(ABORT, 'refused'); END";
const QString replaceQuestion =
    QStringLiteral("The list \"Friends\" already exists.\r\nReplace it by a new, empty list?\r\n"
                   "All its contacts will be lost.");

// The permission bits of a file.
unsigned modeOf(const QString& path) {
    struct stat st {};
    return ::stat(QFile::encodeName(path).constData(), &st) == 0 ? st.st_mode & 07777 : 0;
}

// The main window on "Quillary.mdb" (Hank, Gail) beside other files: a name
// ending "text.mdb" holds words, "empty.mdb" nothing, "other.mdb" another
// table; "Blank.mdb" is a list without contacts, any other a list with one
// contact named after it.
std::unique_ptr<Harness> mainWindow(const QByteArray& settings, const QStringList& files,
                                    const QString& sql) {
    auto h = std::make_unique<Harness>();
    ::umask(022);
    for (const QString& f : files) {
        const bool list =
            !f.contains(QRegularExpression(QStringLiteral("(text|empty|other)\\.mdb$")));
        if (list)
            h->folder.addList(f);
        else
            h->folder.write(f, f.endsWith(QLatin1String("text.mdb")) ? "some words\r\n" : "");
        if (f.endsWith(QLatin1String("other.mdb")))
            h->exec(f, "CREATE TABLE Other (a TEXT)");
        else if (list && f != QLatin1String("Blank.mdb"))
            h->folder.addContacts(f, {{QStringLiteral("In ") + f}});
    }
    h->folder.install(QStringLiteral("Template.dat"));
    h->startWith({{QStringLiteral("Hank")}, {QStringLiteral("Gail")}}, sql);
    if (!settings.isNull())
        h->folder.write(QStringLiteral("plist.ini"), settings);
    if (!sql.isEmpty())
        Harness::type(h->window->Text8, QStringLiteral("Edited"));
    MsgBox::clearShown();
    return h;
}

// A null shown means no message; any other is contained in the one message shown.
// An empty current means the list open before stays current. sql runs on the
// open list, whose record is then edited.
struct Choice {
    QByteArray settings;
    QString sql;
    QStringList files;
    QString pick;
    QString action; // "ok", "double", "cancel", "close"; "once": OK, the file opening once only
    QString current;
    QString shown;
};
struct Creation {
    QByteArray settings;
    QString sql;
    QString templateFile; // "missing", "spoiled", "once" (the new file opens once only)
                          // or as installed
    QString typed;
    QString answer; // Yes answers the question before replacing (Escape: the real
                    // question answered by that key); Cancel leaves
    QString current;
    QString shown;
};
struct Copy {
    QString pick;
    QString folder; // "dest", "self" (the application folder), empty: cancelled
    QString answer; // to replacing a file of the name there (Return: the real
                    // question answered by that key), or Cancel pressed
    int failure;
    QString shown;
    QString result; // the destination afterwards: "copy", "own" (its file before) or empty
};

// The list open before is still current, open, listed and remembered as before
// (settings: as written before the window opened, null: as start-up wrote them).
void checkStillHome(const Harness& h, const QByteArray& settings) {
    QCOMPARE(h.window->windowTitle(), QStringLiteral("  Quillary"));
    QCOMPARE(h.window->globals().currentListName, home);
    QCOMPARE(h.window->Data1->databaseName(), h.folder.file(home));
    QCOMPARE(h.entries(), (QStringList{"Gail", "Hank"}));
    QCOMPARE(h.folder.read(QStringLiteral("plist.ini")),
             settings.isNull() ? QByteArray("[lastdb]\r\ndb=Quillary.mdb\r\n") : settings);
}
} // namespace
Q_DECLARE_METATYPE(Choice)
Q_DECLARE_METATYPE(Creation)
Q_DECLARE_METATYPE(Copy)

class tst_listdialogs : public QObject {
    Q_OBJECT
private slots:
    void chooser_data() {
        QTest::addColumn<Choice>("c");
        const auto row = [](const char* tag, const QStringList& files, const QString& pick,
                            const QString& current, const QString& shown,
                            const QString& action = QStringLiteral("ok"),
                            const QByteArray& settings = {}, const QString& sql = {}) {
            QTest::newRow(tag) << Choice{settings, sql, files, pick, action, current, shown};
        };
        const QStringList lists = {"Family.mdb", "Work.mdb"};
        row("a list becomes current", lists, "Family.mdb", "Family.mdb", QString());
        row("by a double click", lists, "Family.mdb", "Family.mdb", QString(), "double");
        row("a list without contacts", {"Blank.mdb"}, "Blank.mdb", "Blank.mdb", QString());
        const QString tail = QStringLiteral("\r\nplease select a phonebook database.");
        for (const char* f : {"template.mdb", "TEMPLATE.MDB", "Template.Mdb"})
            row(f, {f}, f, "", "This is a template used to create new database files ..." + tail);
        for (const char* f : {"areacodes.MDB", "AREACODES.mdb"})
            row(f, {f}, f, "", "This is the telephone Area Codes database ..." + tail);
        for (const char* f : {"text.mdb", "empty.mdb", "other.mdb", "CR\r.mdb", "LF\nx.mdb"})
            row(f, {f}, f, "", "is not a phonebook list." + tail);
        row("the old list's edit refused: the refusal is shown", lists, "Family.mdb", "", "", "ok",
            {}, refuseUpdates);
        row("settings without a db line: a failed switch leaves them", lists, "Family.mdb", "", "",
            "ok", "[lastdb]\r\n", refuseUpdates);
        row("OK without a choice", lists, "", "",
            "Please select a phonebook database, then press OK.");
        row("a list that opens for the check only", lists, "Family.mdb", "",
            "is not a phonebook list.", "once");
        for (const char* a : {"cancel", "close"})
            row(a, lists, "Family.mdb", "", QString(), a);
    }
    void chooser() {
        QFETCH(Choice, c);
        const auto& [settings, sql, files, pick, action, current, shown] = c;
        const std::unique_ptr<Harness> h = mainWindow(settings, files, sql);
        h->folder.install(QStringLiteral("AreaCodes.dat"), QStringLiteral("AreaCodes.mdb"));
        pList& w = *h->window;
        ModalDriver driver;
        driver.act = [&](QWidget* d) {
            auto* dialog = qobject_cast<frmFM*>(d);
            QVERIFY(dialog && dialog->isModal());
            // The switch command put the area code file back first.
            QVERIFY(h->folder.exists(QStringLiteral("AreaCodes.dat")));
            // Only the lists: no Template.dat, AreaCodes.dat or plist.ini.
            QCOMPARE(dialog->File1->listCount(), files.size() + 1);
            if (!pick.isEmpty())
                Harness::pick(dialog->File1, pick);
            const QPoint at = dialog->File1->visualItemRect(dialog->File1->currentItem()).center();
            // A double click is a press, a release, then the double-click press.
            if (action == QLatin1String("double")) {
                QTest::mouseClick(dialog->File1->viewport(), Qt::LeftButton, {}, at);
                QTest::mouseDClick(dialog->File1->viewport(), Qt::LeftButton, {}, at);
            } else if (action == QLatin1String("close"))
                dialog->close();
            else
                QTest::mouseClick(dialog->cmdButtons[action == QLatin1String("cancel")],
                                  Qt::LeftButton);
            QCOMPARE(dialog->isVisible(), !shown.isNull());
        };
        {
            const std::unique_ptr<OpensOnce> failing(
                action == QLatin1String("once") ? new OpensOnce(pick.toStdString()) : nullptr);
            w.DBSwitch->trigger();
        }
        QCOMPARE(driver.seen, QStringList{"frmFM"});
        QCOMPARE(MsgBox::shown().size(), shown.isNull() ? 0 : 1);
        if (!shown.isNull()) {
            QVERIFY2(MsgBox::last().text.contains(shown), qPrintable(MsgBox::last().text));
            QCOMPARE(MsgBox::last().text.contains(QLatin1String("not a phonebook")),
                     shown.contains(QLatin1String("not a phonebook")));
        }
        if (current.isEmpty()) {
            checkStillHome(*h, settings);
            return;
        }
        const QString name = current.chopped(4);
        QCOMPARE(h->window->globals().currentListName, current);
        QCOMPARE(h->remembered(), current);
        QCOMPARE(h->entries(), h->storedNames(current));
        QCOMPARE(w.Text1->text(), h->storedNames(current).value(0));
        QCOMPARE(w.Label13->text(), name);
        QCOMPARE(w.Label13->palette().color(QPalette::WindowText), QColor(255, 0, 0));
        QCOMPARE(w.Label13->font().pointSizeF(), 12.0);
        QCOMPARE(w.windowTitle(), "  " + name + " List");
        QCOMPARE(h->storedNames(), (QStringList{"Hank", "Gail"}));
    }
    void newList_data() {
        QTest::addColumn<Creation>("c");
        const auto row = [](const char* tag, const QString& typed, const QString& current,
                            const QString& shown, const QString& answer = {},
                            const QString& templateFile = {}, const QByteArray& settings = {},
                            const QString& sql = {}) {
            QTest::newRow(tag) << Creation{settings, sql,     templateFile, typed,
                                           answer,   current, shown};
        };
        row("blanks", "Work Mates 2", "Work Mates 2.mdb", QString());
        row("own extension", "Club.mdb", "Club.mdb", QString());
        row("non-ASCII", "Müller", "Müller.mdb", QString());
        for (const char* typed :
             {"a?b",  "a|b",   "a*b",      "a:b",          "a\"b",      "a<b",
              "a>b",  "a/b",   "a\\b",     "../Out",       "..",        "Tab\tName",
              "CR\r", "LF\nx", "Template", "template.mdb", "AreaCodes", ".mdb",
              " ",    ".hid",  "end.",     "end ",         "con",       "LPT1.mdb"})
            row(typed, typed, "", "*52 Bad file name or number");
        row("an existing list, No", "Friends", "", replaceQuestion, "No");
        row("an existing list, Yes", "Friends", "Friends.mdb", replaceQuestion, "Yes");
        row("an existing list, Escape on the real question", "Friends", "", replaceQuestion,
            "Escape");
        row("the open list", "Quillary", "", "*70 Permission denied");
        row("no template", "New", "", "*53 File not found", {}, "missing");
        row("a spoiled template", "New", "", "*3343 ", {}, "spoiled");
        row("a new list that opens for the check only", "New", "", "*3051 ", {}, "once");
        row("settings without a db line: a failed creation leaves them", "New", "", "*3343 ", {},
            "spoiled", "[lastdb]\r\n");
        row("the old list's edit refused: only the refusal is shown", "New", "", "", {}, {}, {},
            refuseUpdates);
        row("an empty name", "", "", QString());
        row("Cancel", "New", "", QString(), "Cancel");
    }
    void newList() {
        QFETCH(Creation, c);
        const auto& [settings, sql, templateFile, typed, answer, current, shown] = c;
        const std::unique_ptr<Harness> h = mainWindow(settings, {"Friends.mdb"}, sql);
        if (templateFile == QLatin1String("missing"))
            QFile::remove(h->folder.file(QStringLiteral("Template.dat")));
        else if (templateFile == QLatin1String("spoiled"))
            h->folder.write(QStringLiteral("Template.dat"), "not a database at all");
        else // read-only, as installed
            QFile::setPermissions(h->folder.file(QStringLiteral("Template.dat")),
                                  QFile::ReadOwner | QFile::ReadGroup | QFile::ReadOther);
        const QStringList filesBefore = FileSystem::files(h->folder.path());
        MsgBox::setScripted(answer != QLatin1String("Escape"));
        if (answer == QLatin1String("Yes"))
            MsgBox::setNextAnswer(MsgBox::Answer::Yes);
        bool stayedOpen = false;
        const std::unique_ptr<OpensOnce> failing(
            templateFile == QLatin1String("once") ? new OpensOnce("New.mdb") : nullptr);
        ModalDriver driver;
        driver.act = [&](QWidget* d) {
            if (qobject_cast<QMessageBox*>(d))
                return Harness::pressOn(d, QMessageBox::No, answer);
            auto* dialog = qobject_cast<NewDB*>(d);
            QVERIFY(dialog && dialog->isModal());
            dialog->Text1->insert(typed);
            const bool cancel = answer == QLatin1String("Cancel");
            QTest::mouseClick(dialog->cmdButtons[cancel ? 1 : 0], Qt::LeftButton);
            stayedOpen = dialog->isVisible() && dialog->Text1->text() == typed;
        };
        h->window->MakeDB->trigger();
        QCOMPARE(driver.seen, QStringList{"NewDB"});
        QCOMPARE(MsgBox::shown().size(), shown.isNull() ? 0 : 1);
        if (!shown.isNull()) {
            QVERIFY2(MsgBox::last().text.startsWith(shown), qPrintable(MsgBox::last().text));
            if (shown == replaceQuestion)
                QVERIFY(MsgBox::last().buttons == MsgBox::Buttons::YesNo &&
                        MsgBox::last().defaultButton == MsgBox::Answer::No);
            else if (shown.startsWith(QLatin1Char('*')))
                QCOMPARE(MsgBox::last().title, QStringLiteral("File Creation Error"));
        }
        QCOMPARE(h->storedNames(QStringLiteral("Friends.mdb")).size(),
                 current == QLatin1String("Friends.mdb") ? 0 : 1);
        if (current.isEmpty()) {
            QCOMPARE(stayedOpen, answer != QLatin1String("Cancel"));
            checkStillHome(*h, settings);
            // A list file made before the failure stays.
            if (!shown.startsWith(QLatin1String("*3")) && sql.isEmpty())
                QCOMPARE(FileSystem::files(h->folder.path()), filesBefore);
            return;
        }
        QVERIFY(!stayedOpen);
        // Made as the user's files are (umask 022), whatever the template's modes.
        QCOMPARE(modeOf(h->folder.file(current)), 0644u);
        QCOMPARE(h->window->Data1->databaseName(), h->folder.file(current));
        QCOMPARE(h->window->globals().currentListName, current);
        QCOMPARE(h->remembered(), current);
        QCOMPARE(h->entries(), QStringList());
        QCOMPARE(h->storedNames(), (QStringList{"Hank", "Gail"}));
    }
    void copy_data() {
        QTest::addColumn<Copy>("c");
        const auto row = [](const char* tag, const QString& pick, const QString& folder,
                            const QString& shown, const QString& result,
                            const QString& answer = QString(), int failure = 0) {
            QTest::newRow(tag) << Copy{pick, folder, answer, failure, shown, result};
        };
        row("a copy", "Work.mdb", "dest", QString(), "copy");
        row("the open list", home, "dest",
            "*70 Permission denied\r\nYou cannot copy an open List. Select a different list\r\n"
            "before copying the current list.",
            "");
        row("a file there, No", "Work.mdb", "dest", "already exists", "own", "No");
        row("a file there, Yes", "Work.mdb", "dest", "already exists", "copy", "Yes");
        row("a file there, Enter on the real question", "Work.mdb", "dest", "already exists", "own",
            "Return");
        row("folder question cancelled", "Work.mdb", "", QString(), "");
        row("onto itself", "Work.mdb", "self", "a file cannot be copied onto itself", "");
        row("OK without a choice", "", "dest", "Please select the file to copy, then press OK.",
            "");
        row("a failed copy", "Work.mdb", "dest", "*61 Disk full", "", "", 61);
        row("Cancel", "Work.mdb", "dest", QString(), "", "Cancel");
    }
    void copy() {
        QFETCH(Copy, c);
        const auto& [pick, folder, answer, failure, shown, result] = c;
        const std::unique_ptr<Harness> h = mainWindow(QByteArray(), {"Work.mdb"}, QString());
        const QByteArray work = h->folder.read(QStringLiteral("Work.mdb"));
        QFile::setPermissions(h->folder.file(QStringLiteral("Work.mdb")),
                              QFile::ReadOwner | QFile::WriteOwner);
        QTemporaryDir dest;
        const QByteArray own("the user's own file");
        QFile there(dest.filePath(pick));
        if (answer == QLatin1String("No") || answer == QLatin1String("Yes") ||
            answer == QLatin1String("Return"))
            QVERIFY(there.open(QIODevice::WriteOnly) && there.write(own) > 0);
        there.close();
        MsgBox::setScripted(answer != QLatin1String("Return"));
        if (answer == QLatin1String("Yes"))
            MsgBox::setNextAnswer(MsgBox::Answer::Yes);
        FolderDialog::setScripted(true);
        FolderDialog::clearAsked();
        if (!folder.isEmpty())
            FolderDialog::setNextAnswer(folder == QLatin1String("self") ? h->folder.path() + "/."
                                                                        : dest.path());
        FileSystem::failNextCopyWith(failure);
        ModalDriver driver;
        driver.act = [&](QWidget* d) {
            if (qobject_cast<QMessageBox*>(d))
                return Harness::pressOn(d, QMessageBox::No, answer);
            auto* dialog = qobject_cast<frmCopyList*>(d);
            QVERIFY(dialog);
            if (!pick.isEmpty())
                Harness::pick(dialog->File1, pick);
            QTest::mouseClick(dialog->cmdButtons[answer == QLatin1String("Cancel") ? 1 : 0],
                              Qt::LeftButton);
        };
        h->window->ListCopy->trigger();
        FileSystem::failNextCopyWith(0);
        QCOMPARE(driver.seen, QStringList{"frmCopyList"});
        QCOMPARE(MsgBox::shown().size(), shown.isNull() ? 0 : 1);
        if (!shown.isNull())
            QVERIFY2(MsgBox::last().text.contains(shown), qPrintable(MsgBox::last().text));
        QCOMPARE(QDir(dest.path()).entryList(QDir::Files | QDir::Hidden),
                 result.isEmpty() ? QStringList() : QStringList{pick});
        if (!result.isEmpty() && there.open(QIODevice::ReadOnly))
            QCOMPARE(there.readAll(), result == QLatin1String("copy") ? work : own);
        // A copy is made as the user's files are (umask 022), whatever the list's modes.
        if (result == QLatin1String("copy"))
            QCOMPARE(modeOf(there.fileName()), 0644u);
        QCOMPARE(h->folder.read(QStringLiteral("Work.mdb")), work);
        checkStillHome(*h, {});
        // The folder question starts in the user's documents, then where the last copy went.
        const QString documents =
            QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation);
        if (!FolderDialog::asked().isEmpty())
            QCOMPARE(FolderDialog::asked().at(0).startIn,
                     QFileInfo(documents).isDir() ? documents : QDir::homePath());
        if (result == QLatin1String("copy")) {
            h->window->ListCopy->trigger();
            QCOMPARE(FolderDialog::asked().constLast().startIn, QDir::cleanPath(dest.path()));
        }
    }
};

QTEST_MAIN(tst_listdialogs)
#include "tst_listdialogs.moc"
