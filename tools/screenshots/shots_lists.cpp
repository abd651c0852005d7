// SPDX-License-Identifier: GPL-3.0-or-later
// The list chooser, the new-list dialog and the copy dialog, over a sample folder.
#include "Shots.h"

#include "list_dialogs/FileControls.h"
#include "list_dialogs/NewDB.h"
#include "list_dialogs/frmCopyList.h"
#include "list_dialogs/frmFM.h"
#include "main_window/Globals.h"
#include "platform/AppFolder.h"

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QLineEdit>
#include <QTemporaryDir>

namespace {
void save(QWidget* w, const QString& outDir, const QString& name) {
    w->show();
    QApplication::processEvents();
    w->grab().save(QDir(outDir).filePath(name));
    w->hide();
}
} // namespace

void shootListDialogs(const QString& outDir) {
    QDir().mkpath(outDir);
    const QString previousFolder = AppFolder::programFolder();
    Globals globals;
    QTemporaryDir sample;
    for (const char* name : {"Quillary.mdb", "Family.mdb", "Work Contacts.mdb", "Club.mdb",
                             "Template.dat", "AreaCodes.dat", "plist.ini"}) {
        QFile f(sample.filePath(QString::fromLatin1(name)));
        if (f.open(QIODevice::WriteOnly))
            f.write("sample");
    }
    AppFolder::setProgramFolderForTesting(sample.path());
    {
        frmFM chooser(globals);
        chooser.File1->setListIndex(1);
        save(&chooser, outDir, QStringLiteral("list_chooser.png"));
    }
    {
        NewDB maker(globals);
        maker.Text1->setText(QStringLiteral("Book Club"));
        save(&maker, outDir, QStringLiteral("new_list.png"));
    }
    {
        frmCopyList copier(globals);
        copier.File1->setListIndex(2);
        save(&copier, outDir, QStringLiteral("copy_list.png"));
    }
    AppFolder::setProgramFolderForTesting(previousFolder);
}
