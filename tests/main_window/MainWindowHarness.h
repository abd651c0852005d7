#pragma once
// One real main window in a temporary application folder, with the dialogs it
// would open at start-up and the program's end replaced by recorders.
#include "main_window/Globals.h"
#include "main_window/pList.h"
#include "platform/MsgBox.h"
#include "support/TestFolder.h"

#include <QAction>
#include <QApplication>
#include <QFocusEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QtTest>
#include <SQLiteCpp/SQLiteCpp.h>
#include <functional>
#include <memory>

// The twelve fields of a contact in table order.
inline const QStringList& contactFields() {
    static const QStringList names = {"pName",    "CompanyName", "pAddress", "pAddress2",
                                      "pCity",    "pState",      "pZip",     "pPhone",
                                      "pCoPhone", "pFax",        "pEmail",   "pNotes"};
    return names;
}

class Harness {
public:
    TestFolder folder;
    std::unique_ptr<pList> window;
    int chooserCalls = 0;
    int newListCalls = 0;
    int endCalls = 0;
    // What the replaced dialogs do when they open (nothing by default).
    std::function<void()> chooser;
    std::function<void()> newList;

    Harness() {
        Globals::reset();
        MsgBox::setScripted(true);
        MsgBox::clearShown();
    }
    ~Harness() {
        if (window)
            window->close();
        window.reset();
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        Globals::reset();
    }

    // Creates the window, replaces its seams, runs its start-up and shows it.
    pList& start() {
        window = std::make_unique<pList>();
        window->showListChooser = [this] {
            ++chooserCalls;
            if (chooser)
                chooser();
        };
        window->showNewList = [this] {
            ++newListCalls;
            if (newList)
                newList();
        };
        window->endProgram = [this] { ++endCalls; };
        window->Form_Load();
        window->show();
        QApplication::setActiveWindow(window.get());
        return *window;
    }

    // The usual folder: the installed settings file and "Quillary.mdb" with contacts.
    pList& startWith(const QList<QStringList>& contacts) {
        folder.install(QStringLiteral("plist.ini"));
        folder.addList(QStringLiteral("Quillary.mdb"));
        if (!contacts.isEmpty())
            folder.addContacts(QStringLiteral("Quillary.mdb"), contacts);
        return start();
    }

    // Every stored contact of a list, read from the file itself, in table order.
    // A null field reads as a null QString.
    QList<QStringList> stored(const QString& list = QStringLiteral("Quillary.mdb")) const {
        QList<QStringList> rows;
        SQLite::Database db(folder.file(list).toStdString(), SQLite::OPEN_READONLY);
        SQLite::Statement q(db, "SELECT " + contactFields().join(',').toStdString() +
                                    " FROM pName2 ORDER BY rowid");
        while (q.executeStep()) {
            QStringList row;
            for (int i = 0; i < contactFields().size(); ++i) {
                const SQLite::Column c = q.getColumn(i);
                row << (c.isNull() ? QString() : QString::fromUtf8(c.getString().c_str()));
            }
            rows << row;
        }
        return rows;
    }
    QStringList storedNames(const QString& list = QStringLiteral("Quillary.mdb")) const {
        QStringList names;
        for (const QStringList& row : stored(list))
            names << row.at(0);
        return names;
    }

    QStringList entries() const {
        QStringList out;
        for (int i = 0; i < window->List1->listCount(); ++i)
            out << window->List1->list(i);
        return out;
    }
    int indexOf(const QString& entry) const { return entries().indexOf(entry); }
    void select(const QString& entry) const {
        const int i = indexOf(entry);
        QVERIFY2(i >= 0, qPrintable(entry));
        window->List1->setListIndex(i);
    }

    // Types into a field as the user would: focus, select all, type.
    static void type(QLineEdit* field, const QString& text) {
        field->setFocus(Qt::MouseFocusReason);
        field->selectAll();
        if (text.isEmpty())
            QTest::keyClick(field, Qt::Key_Delete);
        else
            typeText(field, text);
    }
    // Key presses carrying the text; any letters, not only ASCII.
    static void typeText(QWidget* field, const QString& text) {
        for (const QChar c : text) {
            if (c.unicode() < 128 && c.isPrint()) {
                QTest::keyClick(field, c.toLatin1());
            } else {
                QTest::sendKeyEvent(QTest::Press, field, Qt::Key_unknown, QString(c), {});
                QTest::sendKeyEvent(QTest::Release, field, Qt::Key_unknown, QString(c), {});
            }
        }
    }
    // Moves the focus away from a field as a focus change to another control does.
    static void leave(QWidget* field, Qt::FocusReason reason = Qt::TabFocusReason) {
        QFocusEvent out(QEvent::FocusOut, reason);
        QCoreApplication::sendEvent(field, &out);
    }
};
