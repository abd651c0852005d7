// SPDX-License-Identifier: GPL-3.0-or-later
#include "frmHelp.h"

#include "platform/FormLook.h"
#include "platform/Twips.h"

#include <QLabel>

QPointer<frmHelp> frmHelp::s_instance;

frmHelp::frmHelp(QWidget* parent) : QWidget(parent, Qt::Window) {
    setObjectName(QStringLiteral("frmHelp"));
    setAttribute(Qt::WA_DeleteOnClose);
    setWindowTitle(tr("Help"));
    setFont(Fonts::make(QStringLiteral("MS Sans Serif"), 8.25));
    Twips::setClientSize(this, 9825, 5010);
    setAutoFillBackground(true);
    QPalette pal = palette();
    pal.setColor(QPalette::Window, QColor(192, 192, 192));
    setPalette(pal);

    lblHelp1 = new QLabel(tr("Help for Quillary"), this);
    lblHelp1->setObjectName(QStringLiteral("lblHelp1"));
    lblHelp1->setFont(Fonts::make(QStringLiteral("MS Sans Serif"), 9.75, true));
    lblHelp1->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    Twips::place(lblHelp1, 150, 300, 5295, 375);

    lblhelp2 = new QLabel(this);
    lblhelp2->setObjectName(QStringLiteral("lblhelp2"));
    lblhelp2->setFont(Fonts::make(QStringLiteral("MS Sans Serif"), 8.25));
    lblhelp2->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    lblhelp2->setWordWrap(true);
    Twips::place(lblhelp2, 180, 780, 9495, 4125);

    FormLook::settle(this);
    Form_Load();
}

frmHelp::~frmHelp() = default;

frmHelp* frmHelp::instance() {
    return s_instance.data();
}

void frmHelp::display() {
    if (!s_instance)
        s_instance = new frmHelp(nullptr);
    s_instance->show();
    s_instance->raise();
    s_instance->activateWindow();
}

void frmHelp::Form_Load() {
    lblhelp2->setText(QString());
    lblhelp2->setText(lblhelp2->text() + tr("Help goes here"));
}
