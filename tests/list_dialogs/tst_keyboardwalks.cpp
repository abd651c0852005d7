// SPDX-License-Identifier: GPL-3.0-or-later
#include "list_dialogs/NewDB.h"
#include "list_dialogs/frmCopyList.h"
#include "list_dialogs/frmFM.h"
#include "platform/FolderDialog.h"
#include "support/ImportWindow.h"

#include <QDir>

namespace {
// Types a walk into a window: key names as Qt writes them ("Home", "Shift+Tab"),
// 'text' typed as it stands, and >name presses Tab until the control of that
// name has the focus.
void walk(QWidget* window, const QString& keys) {
    QWindow* w = window->windowHandle();
    for (const QString& key : keys.split(' ', Qt::SkipEmptyParts)) {
        if (key.startsWith('\'')) {
            for (const QChar c : key.mid(1, key.size() - 2))
                QTest::keyClick(w, c.toLatin1());
        } else if (key.startsWith('>')) {
            const auto there = [&] {
                return QApplication::focusWidget()->objectName() == key.mid(1);
            };
            for (int presses = 0; !there() && presses < 30; ++presses)
                QTest::keyClick(w, Qt::Key_Tab);
            QVERIFY2(there(), qPrintable(key));
        } else {
            const QKeyCombination k = QKeySequence(key)[0];
            QTest::keyClick(w, k.key(), k.keyboardModifiers());
        }
    }
}
} // namespace

// Each dialog completed from the keyboard alone; the focus arriving in a list
// selects nothing there.
class tst_keyboardwalks : public QObject {
    Q_OBJECT
private slots:
    void cleanup() { ImportWindow::close(); }
    // The row's name starts with the dialog walked; the outcome is what the
    // user sees afterwards, and the message shown if any.
    void walks_data() {
        QTest::addColumn<QString>("keys");
        QTest::addColumn<QString>("outcome");
        const auto row = [](const char* tag, const char* keys, const char* outcome) {
            QTest::newRow(tag) << QString(keys) << QString(outcome);
        };
        row("chooser: Home, OK", "Home >cmdButtons_0 Space", "  Family List");
        row("chooser: arrows, OK", "Down Down Down >cmdButtons_0 Space", "  Work List");
        row("chooser: Escape", "Escape", "  Quillary");
        row("new list: name, OK", "'Club' >cmdButtons_0 Space", "Club.mdb");
        row("copy: Home, OK", "Home >cmdButtons_0 Space", "Family.mdb");
        row("main: a new contact typed field after field, saved",
            ">cmdAdd Space >Text1 'zed' Tab 'acme' Tab 'road' Tab 'flat' Tab 'town' Tab 'st' "
            "Tab '12345' Tab '111' Tab '222' Tab '333' Tab 'mail' Tab 'note' Tab Space",
            "zed,acme,road,flat,town,ST,12345,111,222,333,mail,note");
        row("import: Space on the first contact, Add Selected", "Space >cmdAdd2phonebook Space",
            "Gail,Hank,Ivy / All selected contacts were added!");
    }
    void walks() {
        QFETCH(QString, keys);
        const QString dialog = QString::fromLatin1(QTest::currentDataTag()).section(':', 0, 0);
        Harness h;
        pList* main = &h.startWith({{"Hank"}, {"Gail"}});
        h.folder.install(QStringLiteral("Template.dat"));
        h.folder.addList(QStringLiteral("Family.mdb"));
        h.folder.addList(QStringLiteral("Work.mdb"));
        QTemporaryDir elsewhere;
        FolderDialog::setScripted(true);
        FolderDialog::setNextAnswer(elsewhere.path());
        modOutLook::setStoreRootForTesting(elsewhere.path());
        ImportWindow::writeCards(elsewhere.path(), "ivy.vcf", ImportWindow::card("Ivy"));

        std::unique_ptr<QWidget> owned;
        if (dialog == QStringLiteral("chooser"))
            owned = std::make_unique<frmFM>(main->globals(), main);
        else if (dialog == QStringLiteral("new list"))
            owned = std::make_unique<NewDB>(main->globals(), main);
        else if (dialog == QStringLiteral("copy"))
            owned = std::make_unique<frmCopyList>(main->globals(), main);
        else if (dialog == QStringLiteral("import"))
            modOutLook::GetOutlookContacts();
        QWidget* window = owned                              ? owned.get()
                          : dialog == QStringLiteral("main") ? static_cast<QWidget*>(main)
                                                             : frmContacts::loaded();
        window->show();
        QApplication::setActiveWindow(window);
        QVERIFY(QTest::qWaitForWindowActive(window));
        walk(window, keys);

        QString seen;
        if (dialog == QStringLiteral("chooser"))
            seen = main->windowTitle();
        else if (dialog == QStringLiteral("new list"))
            seen = main->Label13->text();
        else if (dialog == QStringLiteral("copy"))
            seen = QDir(elsewhere.path()).entryList(QDir::Files).join(',');
        else if (dialog == QStringLiteral("main"))
            for (const QStringList& row : h.stored())
                seen += row.first() == QStringLiteral("zed") ? row.join(',') : QString();
        else
            for (int i = 0; i < main->List1->listCount(); ++i)
                seen += (i ? "," : "") + main->List1->list(i);
        if (!MsgBox::shown().isEmpty())
            seen += QStringLiteral(" / ") + MsgBox::last().text;
        QTEST(seen, "outcome");
    }
};

QTEST_MAIN(tst_keyboardwalks)
#include "tst_keyboardwalks.moc"
