// SPDX-License-Identifier: GPL-3.0-or-later
#include "frmCopyList.h"

#include "FileControls.h"
#include "main_window/Globals.h"
#include "main_window/pList.h"
#include "platform/AppFolder.h"
#include "platform/FileSystem.h"
#include "platform/FolderDialog.h"
#include "platform/FormLook.h"
#include "platform/MsgBox.h"
#include "platform/OpenFiles.h"
#include "platform/Resume.h"
#include "platform/Twips.h"

#include <QDir>
#include <QFileInfo>
#include <QPushButton>
#include <QStandardPaths>

namespace {
frmCopyList* g_instance = nullptr;

const QString crlf = QStringLiteral("\r\n");
const QString copyErrorTitle = QStringLiteral("File Copy Error");

void report(const RunError& failure) {
    QString text = failure.failureMessage();
    if (failure.number() == ErrNo::PermissionDenied)
        text += crlf + QStringLiteral("You cannot copy an open List. Select a different list") +
                crlf + QStringLiteral("before copying the current list.");
    MsgBox::show(text, MsgBox::Buttons::Ok, MsgBox::Icon::None, copyErrorTitle);
}

bool sameFolder(const QString& a, const QString& b) {
    const QString ca = QFileInfo(a).canonicalFilePath();
    const QString cb = QFileInfo(b).canonicalFilePath();
    return !ca.isEmpty() && ca == cb;
}
} // namespace

frmCopyList::frmCopyList(Globals& globals, QWidget* parent) : QDialog(parent), globals_(globals) {
    g_instance = this;
    setObjectName(QStringLiteral("frmCopyList"));
    setWindowTitle(QStringLiteral("Copy a List"));
    setWindowFlags(Qt::Dialog | Qt::WindowTitleHint | Qt::WindowCloseButtonHint |
                   Qt::WindowMinMaxButtonsHint);
    setSizeGripEnabled(true);
    setFont(Fonts::make(QStringLiteral("MS Sans Serif"), 8.25));
    Twips::setClientSize(this, 5475, 3585);

    // Created in tab order: Drive1, Dir1, File1, Picture1, Cancel, OK. The drive
    // and folder lists lie below the visible area. The controls keep their
    // places when the window is resized.
    Drive1 = new DriveListBox(this);
    Drive1->setObjectName(QStringLiteral("Drive1"));
    Twips::place(Drive1, 225, 3900, 3030, 315);
    Drive1->hide();

    Dir1 = new DirListBox(this);
    Dir1->setObjectName(QStringLiteral("Dir1"));
    Twips::place(Dir1, 225, 4300, 3030, 990);
    Dir1->hide();

    File1 = new FileListBox(this);
    File1->setObjectName(QStringLiteral("File1"));
    Twips::place(File1, 225, 90, 3030, 3405);

    Picture1 = new QWidget(this);
    Picture1->setObjectName(QStringLiteral("Picture1"));
    Twips::place(Picture1, 3330, 90, 1950, 3390);

    const char* captions[2] = {"OK", "Cancel"};
    const int tops[2] = {315, 1125};
    for (int i = 0; i < 2; ++i) {
        cmdButtons[i] = new QPushButton(QString::fromLatin1(captions[i]), Picture1);
        cmdButtons[i]->setObjectName(QStringLiteral("cmdButtons_%1").arg(i));
        cmdButtons[i]->setAutoDefault(false);
        Twips::place(cmdButtons[i], 225, tops[i], 1410, 420);
        connect(cmdButtons[i], &QPushButton::clicked, this, [this, i] { cmdButtons_Click(i); });
    }
    setTabOrder(File1, cmdButtons[1]);
    setTabOrder(cmdButtons[1], cmdButtons[0]);
    FormLook::settle(this);

    connect(Drive1, &DriveListBox::changed, this, &frmCopyList::Drive1_Change);
    connect(Dir1, &DirListBox::changed, this, &frmCopyList::Dir1_Change);

    Form_Load();
}

frmCopyList::~frmCopyList() {
    if (g_instance == this)
        g_instance = nullptr;
}

frmCopyList* frmCopyList::instance() {
    return g_instance;
}

// Modal like the other list dialogs: the copy is done, or refused, before the
// user goes on in the main window.
void frmCopyList::showDialog(Globals& globals) {
    frmCopyList dialog(globals, pList::instance());
    Twips::centreOnScreen(&dialog);
    dialog.exec();
}

void frmCopyList::Form_Load() {
    // The folder as last set by the main window or the list dialogs.
    const QString folder = globals_.applicationFolderPath.isEmpty()
                               ? AppFolder::programFolder()
                               : globals_.applicationFolderPath;
    Drive1->setDrive(folder);
    Dir1->setPath(folder);
}

void frmCopyList::Drive1_Change() {
    Dir1->setPath(Drive1->drive());
}

void frmCopyList::Dir1_Change() {
    File1->setPath(Dir1->path());
}

void frmCopyList::cmdButtons_Click(int index) {
    if (index == 0)
        copySelected();
    else
        reject();
}

QString frmCopyList::startFolder() const {
    if (!globals_.copyDestinationFolder.isEmpty() &&
        QFileInfo(globals_.copyDestinationFolder).isDir())
        return globals_.copyDestinationFolder;
    const QString documents = QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation);
    if (!documents.isEmpty() && QFileInfo(documents).isDir())
        return documents;
    return QDir::homePath();
}

void frmCopyList::copySelected() {
    const QString f = File1->fileName();
    if (f.isEmpty()) {
        MsgBox::show(QStringLiteral("Please select the file to copy, then press OK."),
                     MsgBox::Buttons::Ok, MsgBox::Icon::None, QStringLiteral("Copy a List"));
        return;
    }
    const QString source = AppFolder::join(File1->path(), f);
    // The open list cannot be copied; no need to ask where to first.
    if (OpenFiles::isOpen(source)) {
        report(RunError::of(ErrNo::PermissionDenied));
        accept();
        return;
    }
    const QString folder = FolderDialog::chooseFolder(
        this, QStringLiteral("Copy \"") + f + QStringLiteral("\" to"), startFolder());
    if (folder.isEmpty())
        return;
    globals_.copyDestinationFolder = QDir::cleanPath(folder);
    const QString target = AppFolder::join(globals_.copyDestinationFolder, f);

    if (sameFolder(globals_.copyDestinationFolder, File1->path())) {
        MsgBox::show(QStringLiteral("\"") + f +
                         QStringLiteral("\" is already in that folder; a file cannot be copied "
                                        "onto itself.") +
                         crlf + QStringLiteral("Choose a different folder."),
                     MsgBox::Buttons::Ok, MsgBox::Icon::Exclamation, copyErrorTitle);
        return;
    }
    if (FileSystem::exists(target)) {
        const auto answer = MsgBox::show(
            QStringLiteral("\"") + f + QStringLiteral("\" already exists in") + crlf +
                globals_.copyDestinationFolder + crlf + QStringLiteral("Replace it by the copy?"),
            MsgBox::Buttons::YesNo, MsgBox::Icon::Exclamation, QStringLiteral("Copy a List"),
            MsgBox::Answer::No);
        if (answer != MsgBox::Answer::Yes)
            return;
    }
    try {
        FileSystem::copy(source, target);
    } catch (const std::exception& e) {
        report(toRunError(e));
    }
    accept();
}
