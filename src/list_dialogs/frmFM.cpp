// SPDX-License-Identifier: GPL-3.0-or-later
#include "frmFM.h"

#include "AccessListPrompt.h"
#include "FileControls.h"
#include "main_window/Globals.h"
#include "main_window/pList.h"
#include "platform/AppFolder.h"
#include "platform/FormLook.h"
#include "platform/MsgBox.h"
#include "platform/Recordset.h"
#include "platform/Resume.h"
#include "platform/Twips.h"
#include "storage/IniFile.h"
#include "storage/ListFiles.h"

#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

namespace {
frmFM* g_instance = nullptr;

const QString crlf = QStringLiteral("\r\n");
} // namespace

frmFM::frmFM(Globals& globals, QWidget* parent) : QDialog(parent), globals_(globals) {
    g_instance = this;
    setObjectName(QStringLiteral("frmFM"));
    setWindowTitle(QStringLiteral("File Maintenance"));
    FormLook::fixedBorder(this);
    setFont(Fonts::make(QStringLiteral("MS Sans Serif"), 8.25));
    QPalette p = palette();
    p.setColor(QPalette::Window, QColor(224, 224, 224));
    setPalette(p);
    setAutoFillBackground(true);
    Twips::setFixedClientSize(this, 6450, 5220);

    const QFont buttonFont = Fonts::make(QStringLiteral("MS Sans Serif"), 8.25, true);

    // Created in tab order: Drive1, Dir1, File1, Label1, OK, Cancel, Text1.
    // The drive and folder lists lie beneath the file list, out of sight.
    Drive1 = new DriveListBox(this);
    Drive1->setObjectName(QStringLiteral("Drive1"));
    Twips::place(Drive1, 1560, 120, 3615, 315);
    Drive1->hide();

    Dir1 = new DirListBox(this);
    Dir1->setObjectName(QStringLiteral("Dir1"));
    Twips::place(Dir1, 1575, 495, 3570, 990);
    Dir1->hide();

    Label1 = new QLabel(QStringLiteral("Select an Available Database"), this);
    Label1->setObjectName(QStringLiteral("Label1"));
    Label1->setAlignment(Qt::AlignHCenter | Qt::AlignTop);
    Label1->setFont(Fonts::make(QStringLiteral("Arial"), 8.25, true));
    Twips::place(Label1, 855, 135, 4740, 240);

    File1 = new FileListBox(this);
    File1->setObjectName(QStringLiteral("File1"));
    File1->setFont(Fonts::make(QStringLiteral("Arial"), 8.25));
    Twips::place(File1, 900, 90, 4740, 4080);

    const char* captions[2] = {"OK", "Cancel"};
    const int lefts[2] = {2025, 3375};
    for (int i = 0; i < 2; ++i) {
        cmdButtons[i] = new QPushButton(QString::fromLatin1(captions[i]), this);
        cmdButtons[i]->setObjectName(QStringLiteral("cmdButtons_%1").arg(i));
        cmdButtons[i]->setFont(buttonFont);
        cmdButtons[i]->setAutoDefault(false);
        Twips::place(cmdButtons[i], lefts[i], 4680, 1050, 375);
        connect(cmdButtons[i], &QPushButton::clicked, this, [this, i] { cmdButtons_Click(i); });
    }

    Text1 = new QLineEdit(this);
    Text1->setObjectName(QStringLiteral("Text1"));
    Twips::place(Text1, 855, 4230, 4785, 285);

    setTabOrder(File1, cmdButtons[0]);
    setTabOrder(cmdButtons[0], cmdButtons[1]);
    setTabOrder(cmdButtons[1], Text1);
    FormLook::settle(this);

    connect(Drive1, &DriveListBox::changed, this, &frmFM::Drive1_Change);
    connect(Dir1, &DirListBox::changed, this, &frmFM::Dir1_Change);
    connect(File1, &FileListBox::dblClick, this, &frmFM::File1_DblClick);

    Form_Load();
}

frmFM::~frmFM() {
    if (g_instance == this)
        g_instance = nullptr;
}

frmFM* frmFM::instance() {
    return g_instance;
}

void frmFM::showModal(Globals& globals) {
    frmFM dialog(globals, pList::instance());
    Twips::centreOnScreen(&dialog);
    dialog.exec();
}

void frmFM::Form_Load() {
    File1->setPattern(QString::fromLatin1(ListFiles::listPattern));
    globals_.applicationFolderPath = AppFolder::programFolder();
    if (pList* main = pList::instance())
        main->Image2->hide();
    Drive1->setDrive(globals_.applicationFolderPath);
    Dir1->setPath(globals_.applicationFolderPath);
    Text1->setText(globals_.applicationFolderPath);
}

void frmFM::Drive1_Change() {
    Dir1->setPath(Drive1->drive());
}

void frmFM::Dir1_Change() {
    File1->setPath(Dir1->path());
}

void frmFM::File1_DblClick() {
    cmdButtons_Click(0);
}

void frmFM::cmdButtons_Click(int index) {
    if (index == 0)
        choose();
    else
        reject();
}

namespace {
void notAList(const RunError& failure, const QString& fileName) {
    MsgBox::show(failure.failureMessage() + crlf + QStringLiteral("\"") + fileName +
                     QStringLiteral("\" is not a phonebook list.") + crlf +
                     QStringLiteral("please select a phonebook database."),
                 MsgBox::Buttons::Ok, MsgBox::Icon::None, QStringLiteral(""));
}
} // namespace

void frmFM::choose() {
    const HandlerScope scope;
    const QString f = File1->fileName();
    if (f.isEmpty()) {
        // Without a choice there is nothing to make current.
        MsgBox::show(QStringLiteral("Please select a phonebook database, then press OK."),
                     MsgBox::Buttons::Ok, MsgBox::Icon::None, QStringLiteral(""));
        return;
    }
    if (ListFiles::isReservedTemplate(f)) {
        MsgBox::show(QStringLiteral("This is a template used to create new database files ...") +
                         crlf + QStringLiteral("please select a phonebook database."),
                     MsgBox::Buttons::Ok, MsgBox::Icon::None, QStringLiteral(""));
        return;
    }
    if (ListFiles::isReservedAreaCodes(f)) {
        MsgBox::show(QStringLiteral("This is the telephone Area Codes database ...") + crlf +
                         QStringLiteral("please select a phonebook database."),
                     MsgBox::Buttons::Ok, MsgBox::Icon::None, QStringLiteral(""));
        return;
    }
    pList* main = pList::instance();
    if (!main) {
        reject();
        return;
    }
    // An Access list is converted first; a refused one stays as it is (the
    // user has been told) and the dialog stays open.
    if (!AccessListPrompt::bringIn(this, AppFolder::join(globals_.applicationFolderPath, f),
                                   QString::fromLatin1(Globals::contactTable)))
        return;
    // A file that does not open as a list is never made current: the list open
    // now stays current, open and remembered. A refused store of its edited
    // record was reported by the data control and keeps it current too.
    try {
        if (!main->openList(f))
            return;
    } catch (const std::exception& e) {
        notAList(toRunError(e), f);
        return;
    }
    DataControl& dc = *main->Data1;
    resumeStep([&] { dc.recordset().moveFirst(); });
    resumeStep([&] { main->List1->clear(); });
    resumeStep([&] {
        Recordset& rs = dc.recordset();
        DataControl::Batch batch(dc);
        rs.moveFirst();
        rs.walkToEnd(rs.fieldIndex(QStringLiteral("Pname")), [&](QByteArrayView text, bool isNull) {
            if (!isNull)
                main->List1->addItemUtf8(text);
        });
    });
    resumeStep([&] {
        main->Label6->setText(QStringLiteral("Individual Name"));
        globals_.listDisplayMode = 1;
        if (main->List1->listCount() > 0)
            main->List1->setListIndex(0);
    });
    const QString display = ListFiles::displayName(f);
    resumeStep([&] {
        QPalette p = main->Label13->palette();
        p.setColor(QPalette::WindowText, QColor(255, 0, 0));
        main->Label13->setPalette(p);
        QFont font = main->Label13->font();
        font.setFamily(Fonts::family(QStringLiteral("Arial")));
        font.setPointSizeF(12);
        main->Label13->setFont(font);
        main->Label13->setText(display);
    });
    resumeStep(
        [&] { main->setWindowTitle(QStringLiteral("  ") + display + QStringLiteral(" List")); });
    accept();
}
