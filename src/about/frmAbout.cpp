// SPDX-License-Identifier: GPL-3.0-or-later
#include "frmAbout.h"

#include "Emblem.h"
#include "Version.h"
#include "frmHelp.h"
#include "platform/FormLook.h"
#include "platform/MsgBox.h"
#include "platform/Twips.h"

#include <QFrame>
#include <QLabel>
#include <QPushButton>

QPointer<frmAbout> frmAbout::s_instance;

namespace {
const QString newLine = QStringLiteral("\n");

QFrame* makeLine(QWidget* parent, const QColor& colour) {
    auto* line = new QFrame(parent);
    line->setFrameShape(QFrame::NoFrame);
    line->setAutoFillBackground(true);
    QPalette pal = line->palette();
    pal.setColor(QPalette::Window, colour);
    line->setPalette(pal);
    return line;
}

QLabel* makeLabel(QWidget* parent, const QFont& font, const QColor& colour) {
    auto* label = new QLabel(parent);
    label->setFont(font);
    QPalette pal = label->palette();
    pal.setColor(QPalette::WindowText, colour);
    label->setPalette(pal);
    label->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    return label;
}
} // namespace

frmAbout::frmAbout(QWidget* parent) : QDialog(parent) {
    setObjectName(QStringLiteral("frmAbout"));
    setAttribute(Qt::WA_DeleteOnClose);
    FormLook::fixedBorder(this);
    setModal(false);
    setSizeGripEnabled(false);
    Twips::setFixedClientSize(this, 5730, 4155);
    setAutoFillBackground(true);
    QPalette pal = palette();
    pal.setColor(QPalette::Window, QColor(192, 192, 192));
    setPalette(pal);

    const QFont plain = Fonts::make(QStringLiteral("MS Sans Serif"), 8.25);
    setFont(plain);

    Picture1 = new QLabel(this);
    Picture1->setObjectName(QStringLiteral("Picture1"));
    Picture1->setFrameStyle(QFrame::Panel | QFrame::Sunken);
    Picture1->setLineWidth(2);
    Picture1->setAlignment(Qt::AlignCenter);
    Picture1->setPixmap(Emblem::pixmap(50));
    Twips::place(Picture1, 150, 150, 810, 810);

    lblTitle = makeLabel(this, Fonts::make(QStringLiteral("Arial"), 12, true), Qt::red);
    lblTitle->setObjectName(QStringLiteral("lblTitle"));
    lblTitle->setAlignment(Qt::AlignHCenter | Qt::AlignTop);
    Twips::place(lblTitle, 1050, 240, 3885, 480);

    lblVersion = makeLabel(this, Fonts::make(QStringLiteral("Arial"), 9.75, true), Qt::black);
    lblVersion->setObjectName(QStringLiteral("lblVersion"));
    Twips::place(lblVersion, 1050, 780, 3885, 225);

    lblDescription = makeLabel(this, Fonts::make(QStringLiteral("Arial"), 8.25, true), Qt::black);
    lblDescription->setObjectName(QStringLiteral("lblDescription"));
    lblDescription->setWordWrap(true);
    Twips::place(lblDescription, 1050, 1125, 3885, 1710);

    // The grey line lies over the upper row of the two-wide white one.
    const int lineTop = Twips::toPixels(3000);
    Line1[0] = makeLine(this, Qt::white);
    Line1[0]->setObjectName(QStringLiteral("Line1_0"));
    Line1[0]->setGeometry(Twips::toPixels(105), lineTop,
                          Twips::toPixels(5654) - Twips::toPixels(105), 2);
    Line1[1] = makeLine(this, QColor(128, 128, 128));
    Line1[1]->setObjectName(QStringLiteral("Line1_1"));
    Line1[1]->setGeometry(Twips::toPixels(90), lineTop, Twips::toPixels(5654) - Twips::toPixels(90),
                          1);

    lblDisclaimer = makeLabel(this, plain, Qt::black);
    lblDisclaimer->setObjectName(QStringLiteral("lblDisclaimer"));
    lblDisclaimer->setWordWrap(true);
    lblDisclaimer->setText(tr("Copyright \u00A9 the Quillary contributors. Provided as is, without "
                              "warranty of any kind."));
    Twips::place(lblDisclaimer, 255, 3165, 3120, 825);

    cmdOK = new QPushButton(tr("OK"), this);
    cmdOK->setObjectName(QStringLiteral("cmdOK"));
    cmdOK->setFont(plain);
    cmdOK->setDefault(true);
    Twips::place(cmdOK, 4245, 3165, 1260, 345);

    cmdHelp = new QPushButton(tr("Help"), this);
    cmdHelp->setObjectName(QStringLiteral("cmdHelp"));
    cmdHelp->setFont(plain);
    Twips::place(cmdHelp, 4245, 3600, 1260, 345);

    setTabOrder(cmdOK, cmdHelp);
    FormLook::settle(this);
    cmdOK->setFocus();

    connect(cmdOK, &QPushButton::clicked, this, &frmAbout::cmdOK_Click);
    connect(cmdHelp, &QPushButton::clicked, this, &frmAbout::cmdHelp_Click);
    // Escape rejects the box; rejecting unloads it, as the close box does.
    connect(this, &QDialog::rejected, this, &QWidget::close);

    Form_Load();
}

frmAbout::~frmAbout() = default;

frmAbout* frmAbout::instance() {
    return s_instance.data();
}

void frmAbout::display() {
    if (!s_instance) {
        s_instance = new frmAbout(nullptr);
        s_instance->show();
        // Centred once shown, when the frame's size is known.
        Twips::centreOnScreen(s_instance);
    }
    s_instance->show();
    s_instance->raise();
    s_instance->activateWindow();
}

QString frmAbout::fixedDescription() {
    return QStringLiteral("Use it to store Names, Addresses, and Phone numbers for your contacts. "
                          "You can also import your contacts from Outlook versions 2000 and "
                          "greater.");
}

void frmAbout::Form_Load() {
    const QString title = MsgBox::applicationTitle();
    setWindowTitle(QStringLiteral("About ") + title);
    lblVersion->setText(QStringLiteral("Version %1.%2.%3")
                            .arg(Version::major)
                            .arg(Version::minor)
                            .arg(Version::revision));
    lblTitle->setText(title);
    lblDescription->setText(tr("Quillary is a phonebook for your contacts.") + newLine +
                            fixedDescription());
    lblDescription->setText(lblDescription->text() + newLine + newLine +
                            tr("Written by the Quillary contributors.") + newLine +
                            tr("Made by the Quillary project."));
}

void frmAbout::cmdOK_Click() {
    close();
}

void frmAbout::cmdHelp_Click() {
    frmHelp::display();
}
