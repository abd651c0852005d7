// SPDX-License-Identifier: GPL-3.0-or-later
#include "NewDB.h"

#include "AccessListPrompt.h"

#include "main_window/Globals.h"
#include "main_window/pList.h"
#include "platform/AppFolder.h"
#include "platform/FileSystem.h"
#include "platform/FormLook.h"
#include "platform/MsgBox.h"
#include "platform/OpenFiles.h"
#include "platform/Resume.h"
#include "platform/Twips.h"
#include "storage/IniFile.h"
#include "storage/ListFiles.h"

#include <QFrame>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>

namespace {
NewDB* g_instance = nullptr;

QFrame* line(QWidget* parent, const QString& name, int top, const QColor& colour) {
    auto* l = new QFrame(parent);
    l->setObjectName(name);
    l->setFrameShape(QFrame::NoFrame);
    QPalette p = l->palette();
    p.setColor(QPalette::Window, colour);
    l->setPalette(p);
    l->setAutoFillBackground(true);
    l->setGeometry(0, Twips::toPixels(top), Twips::toPixels(4635), 1);
    return l;
}
} // namespace

NewDB::NewDB(Globals& globals, QWidget* parent) : QDialog(parent), globals_(globals) {
    g_instance = this;
    setObjectName(QStringLiteral("NewDB"));
    setWindowTitle(QStringLiteral("  Make a new List"));
    FormLook::fixedBorder(this);
    setFont(Fonts::make(QStringLiteral("MS Sans Serif"), 8.25));
    Twips::setFixedClientSize(this, 4680, 3570);

    // Never shown; kept as designed.
    Frame1 = new QGroupBox(QStringLiteral("Create new List in:"), this);
    Frame1->setObjectName(QStringLiteral("Frame1"));
    Twips::place(Frame1, 675, 135, 3345, 780);
    for (int i = 0; i < 2; ++i) {
        Option1[i] = new QRadioButton(Frame1);
        Option1[i]->setObjectName(QStringLiteral("Option1_%1").arg(i));
    }
    Frame1->hide();

    Text1 = new QLineEdit(this);
    Text1->setObjectName(QStringLiteral("Text1"));
    Twips::place(Text1, 405, 1485, 3930, 330);

    Label1 = new QLabel(QStringLiteral("Type a Name for the new list"), this);
    Label1->setObjectName(QStringLiteral("Label1"));
    Label1->setAlignment(Qt::AlignHCenter | Qt::AlignTop);
    Label1->setFont(Fonts::make(QStringLiteral("Arial"), 9, true));
    Twips::place(Label1, 405, 1125, 3930, 330);

    Label2 = new QLabel(
        QStringLiteral("The first character must be a letter (A-Z). Acceptable characters for the "
                       "remainder are (A-Z, 0-9, and the spacebar). Any other character will be "
                       "rejected."),
        this);
    Label2->setObjectName(QStringLiteral("Label2"));
    Label2->setAlignment(Qt::AlignHCenter | Qt::AlignTop);
    Label2->setWordWrap(true);
    // A smaller face than the form's, so that the whole rule fits its frame.
    Label2->setFont(Fonts::make(QStringLiteral("Arial"), 7.5));
    Twips::place(Label2, 855, 1890, 2895, 915);

    Line2 = line(this, QStringLiteral("Line2"), 2790, QColor(224, 224, 224));
    Line1 = line(this, QStringLiteral("Line1"), 2835, QColor(128, 128, 128));

    const QFont buttonFont = Fonts::make(QStringLiteral("MS Sans Serif"), 8.25, true);
    const char* captions[2] = {"OK", "Cancel"};
    const int lefts[2] = {675, 2925};
    for (int i = 0; i < 2; ++i) {
        cmdButtons[i] = new QPushButton(QString::fromLatin1(captions[i]), this);
        cmdButtons[i]->setObjectName(QStringLiteral("cmdButtons_%1").arg(i));
        cmdButtons[i]->setFont(buttonFont);
        cmdButtons[i]->setAutoDefault(false);
        Twips::place(cmdButtons[i], lefts[i], 3060, 1050, 465);
        connect(cmdButtons[i], &QPushButton::clicked, this, [this, i] { cmdButtons_Click(i); });
    }
    setTabOrder(Text1, cmdButtons[0]);
    setTabOrder(cmdButtons[0], cmdButtons[1]);
    FormLook::settle(this);
    Text1->setFocus(Qt::OtherFocusReason);
}

NewDB::~NewDB() {
    if (g_instance == this)
        g_instance = nullptr;
}

NewDB* NewDB::instance() {
    return g_instance;
}

void NewDB::showModal(Globals& globals) {
    NewDB dialog(globals, pList::instance());
    Twips::centreOnScreen(&dialog);
    dialog.exec();
}

void NewDB::cmdButtons_Click(int index) {
    if (index == 0)
        makeList();
    else
        reject();
}

int NewDB::nameFault(const QString& typedName) {
    const QString f = ListFiles::fileNameFor(typedName);
    const QString base = ListFiles::displayName(f);
    // Characters Windows file systems refuse, and folder separators of any system.
    static const QString refused = QStringLiteral("\\/:*?\"<>|");
    for (const QChar c : typedName)
        if (c.unicode() < 0x20 || c.unicode() == 0x7f || refused.contains(c))
            return ErrNo::BadFileName;
    if (base.trimmed().isEmpty() || typedName.contains(QLatin1String("..")) ||
        base.startsWith(QLatin1Char('.')) || base.endsWith(QLatin1Char(' ')) ||
        base.endsWith(QLatin1Char('.')))
        return ErrNo::BadFileName;
    // The system's own files, and the device names Windows keeps for itself.
    if (ListFiles::isReservedTemplate(f) || ListFiles::isReservedAreaCodes(f))
        return ErrNo::BadFileName;
    static const QStringList devices = {
        QStringLiteral("CON"),  QStringLiteral("PRN"),  QStringLiteral("AUX"),
        QStringLiteral("NUL"),  QStringLiteral("COM1"), QStringLiteral("COM2"),
        QStringLiteral("COM3"), QStringLiteral("COM4"), QStringLiteral("COM5"),
        QStringLiteral("COM6"), QStringLiteral("COM7"), QStringLiteral("COM8"),
        QStringLiteral("COM9"), QStringLiteral("LPT1"), QStringLiteral("LPT2"),
        QStringLiteral("LPT3"), QStringLiteral("LPT4"), QStringLiteral("LPT5"),
        QStringLiteral("LPT6"), QStringLiteral("LPT7"), QStringLiteral("LPT8"),
        QStringLiteral("LPT9")};
    if (devices.contains(base.section(QLatin1Char('.'), 0, 0).trimmed(), Qt::CaseInsensitive))
        return ErrNo::BadFileName;
    return 0;
}

void NewDB::makeList() {
    pList* main = pList::instance();
    try {
        globals_.applicationFolderPath = AppFolder::programFolder();
        globals_.templateFolder = globals_.applicationFolderPath;

        const QString n = Text1->text();
        if (n.isEmpty())
            return;
        if (const int fault = nameFault(n))
            throw RunError::of(fault);
        const QString f = ListFiles::fileNameFor(n);
        const QString target = AppFolder::join(globals_.applicationFolderPath, f);

        // A list of that name keeps its contacts unless the user says otherwise.
        // The open list cannot be replaced at all; the copy below says so (70).
        if (FileSystem::exists(target) && !OpenFiles::isOpen(target)) {
            const auto answer = MsgBox::show(
                QStringLiteral("The list \"") + ListFiles::displayName(f) +
                    QStringLiteral("\" already exists.\r\nReplace it by a new, empty list?\r\n"
                                   "All its contacts will be lost."),
                MsgBox::Buttons::YesNo, MsgBox::Icon::Exclamation,
                QStringLiteral("  Make a new List"), MsgBox::Answer::No);
            if (answer != MsgBox::Answer::Yes)
                return;
        }

        const QString templatePath =
            AppFolder::join(globals_.templateFolder, QString::fromLatin1(ListFiles::templateFile));
        // A template brought over from an Access installation becomes one of ours.
        if (!AccessListPrompt::bringIn(this, templatePath,
                                       QString::fromLatin1(Globals::contactTable)))
            return;
        FileSystem::copy(templatePath, target);
        if (!main)
            throw RunError::of(ErrNo::ObjectNotSet);
        // The list open before stays current unless the new one opens; a refused
        // store of its edited record was reported by the data control.
        if (!main->openList(f))
            return;
        main->Refresh_Click(0);
    } catch (const std::exception& e) {
        MsgBox::show(toRunError(e).failureMessage(), MsgBox::Buttons::Ok, MsgBox::Icon::None,
                     QStringLiteral("File Creation Error"));
        return;
    }
    accept();
}
