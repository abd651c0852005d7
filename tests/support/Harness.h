// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// One real main window in a temporary application folder, with the dialogs it
// would open at start-up and the program's end replaced by recorders. Every
// window suite builds its folder and windows through it.
#include "list_dialogs/FileControls.h"
#include "list_dialogs/NewDB.h"
#include "list_dialogs/frmFM.h"
#include "main_window/pList.h"
#include "platform/MsgBox.h"
#include "storage/IniFile.h"
#include "support/TestFolder.h"

#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPlainTextEdit>
#include <QProgressDialog>
#include <QPushButton>
#include <QtTest>
#include <SQLiteCpp/SQLiteCpp.h>

#include <optional>

inline QStringList sorted(QStringList list) {
    list.sort();
    return list;
}

class Harness {
public:
    TestFolder folder;
    std::unique_ptr<pList> window;
    int endCalls = 0;

    Harness() {
        MsgBox::setScripted(true);
        MsgBox::clearShown();
    }
    ~Harness() {
        if (window)
            window->close();
        window.reset();
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    }

    // Creates the window, runs its start-up and shows it. The start-up dialogs
    // are replaced by nothing unless the real ones are asked for.
    pList& start(bool replaced = true) {
        window = std::make_unique<pList>();
        if (replaced) {
            window->showListChooser = [] {};
            window->showNewList = [] {};
        }
        window->endProgram = [this] { ++endCalls; };
        window->Form_Load();
        window->show();
        QApplication::setActiveWindow(window.get());
        return *window;
    }
    // The usual folder: the installed settings file and "Quillary.mdb" with
    // contacts, on which sql runs before the window opens.
    pList& startWith(const QList<QStringList>& contacts, const QString& sql = {}) {
        folder.install(QStringLiteral("plist.ini"));
        folder.addList(QStringLiteral("Quillary.mdb"));
        folder.addContacts(QStringLiteral("Quillary.mdb"), contacts);
        if (!sql.isEmpty())
            exec(QStringLiteral("Quillary.mdb"), sql.toUtf8().constData());
        return start();
    }

    // Every stored contact of a list in table order, read from the file itself.
    // A null field reads as a null QString.
    QList<QStringList> stored(const QString& list = QStringLiteral("Quillary.mdb")) const {
        return queryRows(folder.file(list), QStringLiteral("SELECT * FROM pName2 ORDER BY rowid"));
    }
    QStringList storedNames(const QString& list = QStringLiteral("Quillary.mdb")) const {
        QStringList names;
        for (const QStringList& row : stored(list))
            names << row.at(0);
        return names;
    }
    QString remembered() const {
        return IniFile::ReadIniValue(QStringLiteral("[lastdb]"), QStringLiteral("db"),
                                     QStringLiteral("plist.ini"));
    }
    // Runs SQL on a list file, as another program would.
    void exec(const QString& list, const char* sql) const {
        SQLite::Database(folder.file(list).toStdString(), SQLite::OPEN_READWRITE).exec(sql);
    }

    QStringList entries() const {
        QStringList out;
        for (int i = 0; i < window->List1->listCount(); ++i)
            out << window->List1->list(i);
        return out;
    }
    void select(const QString& entry) const {
        const int i = entries().indexOf(entry);
        QVERIFY2(i >= 0, qPrintable(entry));
        window->List1->setListIndex(i);
    }
    // Selects a file of a dialog's file list by name.
    static void pick(FileListBox* files, const QString& name) {
        for (int i = 0; i < files->listCount(); ++i)
            files->setListIndex(files->list(i) == name ? i : files->listIndex());
    }

    // Answers the list chooser by picking the list `name`, or the new-list dialog
    // by typing it, then clicks OK; with no name, Cancel.
    static void answerListDialog(QWidget* dialog, const QString& name) {
        QPushButton* const* buttons = nullptr;
        if (auto* chooser = qobject_cast<frmFM*>(dialog)) {
            if (!name.isEmpty())
                pick(chooser->File1, name);
            buttons = chooser->cmdButtons;
        } else if (auto* newList = qobject_cast<NewDB*>(dialog)) {
            QTest::keyClicks(newList->Text1, name);
            buttons = newList->cmdButtons;
        }
        if (buttons)
            click(buttons[name.isEmpty() ? 1 : 0]);
    }
    // A click where a person clicks: on the window, at a point of the control
    // (its middle unless given).
    static void click(QWidget* control, std::optional<QPoint> at = {}) {
        QWidget* top = control->window();
        QTest::mouseClick(top->windowHandle(), Qt::LeftButton, {},
                          control->mapTo(top, at.value_or(control->rect().center())));
    }
    // Types into a field as the user would: focus, select all, type.
    static void type(QLineEdit* field, const QString& text) {
        field->setFocus(Qt::MouseFocusReason);
        field->selectAll();
        QTest::keyClick(field, Qt::Key_Delete);
        // Key presses carrying the text; any letters, not only ASCII.
        for (const QChar c : text) {
            QTest::sendKeyEvent(QTest::Press, field, Qt::Key_unknown, QString(c), {});
            QTest::sendKeyEvent(QTest::Release, field, Qt::Key_unknown, QString(c), {});
        }
    }
    // Checks that Enter and Escape both choose the safe button of a real message
    // box, then presses the key ("Return" or "Escape") there.
    static void pressOn(QWidget* box, QMessageBox::StandardButton safe, const QString& key) {
        auto* b = qobject_cast<QMessageBox*>(box);
        QVERIFY(b && b->defaultButton() == b->button(safe) && b->escapeButton() == b->button(safe));
        QTest::keyClick(b, key == QLatin1String("Return") ? Qt::Key_Return : Qt::Key_Escape);
    }
    // Moves the focus away from a field as a focus change to another control does.
    static void leave(QWidget* field, Qt::FocusReason reason = Qt::TabFocusReason) {
        QFocusEvent out(QEvent::FocusOut, reason);
        QCoreApplication::sendEvent(field, &out);
    }
};

// Answers every modal window that opens while it lives: records its class
// (message boxes aside), runs act on it, then closes it by its frame if act left
// it open. Progress windows close by themselves.
class ModalDriver : public QObject {
public:
    std::function<void(QWidget*)> act;
    QStringList seen;

    ModalDriver() {
        timer_.setInterval(1);
        connect(&timer_, &QTimer::timeout, this, [this] {
            QWidget* w = QApplication::activeModalWidget();
            if (!w || handled_.contains(w))
                return;
            handled_.append(w);
            if (!qobject_cast<QMessageBox*>(w))
                seen << QString::fromLatin1(w->metaObject()->className());
            if (qobject_cast<QProgressDialog*>(w))
                return;
            // Acted on from the event loop, where the timer runs again: a message
            // box that the act opens is answered too.
            QTimer::singleShot(0, this, [this, p = QPointer<QWidget>(w)] {
                if (p && act)
                    act(p);
                if (p && p->isVisible())
                    p->close();
            });
        });
        timer_.start();
    }

private:
    QTimer timer_;
    QList<QPointer<QWidget>> handled_;
};
