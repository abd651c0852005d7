#pragma once
// Helpers shared by the list dialog tests.
#include "main_window/Globals.h"
#include "main_window/pList.h"
#include "platform/Database.h"
#include "platform/FileSystem.h"
#include "platform/MsgBox.h"
#include "platform/Recordset.h"
#include "storage/IniFile.h"
#include "support/TestFolder.h"

#include <QApplication>
#include <QDialog>
#include <QPointer>
#include <QStringList>
#include <QTimer>
#include <QtTest>
#include <functional>
#include <memory>

// Number of contacts in a list file, -1 when it does not open as a list.
inline qint64 contactCount(const QString& path) {
    try {
        Database db(path);
        Recordset rs(db, QStringLiteral("pName2"));
        return rs.recordCount();
    } catch (const std::exception&) {
        return -1;
    }
}

// The list named in the settings file.
inline QString rememberedList() {
    return IniFile::ReadIniValue(QStringLiteral("[lastdb]"), QStringLiteral("db"),
                                 QStringLiteral("plist.ini"));
}

// Answers every modal window that opens while it lives: records its class, runs
// act on it, then closes it by its frame if act left it open.
class ModalDriver : public QObject {
public:
    std::function<void(QWidget*)> act;
    QStringList seen;

    ModalDriver() {
        timer_.setInterval(1);
        connect(&timer_, &QTimer::timeout, this, &ModalDriver::poll);
        timer_.start();
    }

private:
    void poll() {
        QWidget* w = QApplication::activeModalWidget();
        if (!w)
            return;
        for (const QPointer<QWidget>& h : handled_)
            if (h == w)
                return;
        handled_.append(w);
        seen << QString::fromLatin1(w->metaObject()->className());
        if (act)
            act(w);
        if (w->isVisible())
            w->close();
    }

    QTimer timer_;
    QList<QPointer<QWidget>> handled_;
};

// A temporary application folder with the installed files and a main window on
// it, made afresh for every test case.
struct ListDialogsFixture {
    std::unique_ptr<TestFolder> folder;
    std::unique_ptr<pList> main;

    void setUpFolder(bool withSettings = true) {
        Globals::reset();
        MsgBox::setScripted(true);
        MsgBox::clearShown();
        folder = std::make_unique<TestFolder>();
        folder->install(QStringLiteral("Template.dat"));
        folder->install(QStringLiteral("AreaCodes.dat"));
        if (withSettings)
            folder->install(QStringLiteral("plist.ini"));
    }
    void tearDownFolder() {
        main.reset();
        folder.reset();
        Globals::reset();
    }
    // Makes Home.mdb (two contacts) the open list of the main window.
    void openHome() {
        folder->addList(QStringLiteral("Home.mdb"));
        folder->addContacts(QStringLiteral("Home.mdb"),
                            {{QStringLiteral("Hank")}, {QStringLiteral("Gail")}});
        Globals::currentListName = QStringLiteral("Home.mdb");
        main->Refresh_Click(0);
        QCOMPARE(main->List1->listCount(), 2);
    }
};
