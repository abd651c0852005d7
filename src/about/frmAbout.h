// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
#include <QDialog>
#include <QPointer>
#include <array>

class QFrame;
class QLabel;
class QPushButton;

// The About box: which program this is, its version, a few lines about it and
// the way to the help window. Modeless with no owner; closing it unloads it.
class frmAbout : public QDialog {
    Q_OBJECT
public:
    explicit frmAbout(QWidget* parent = nullptr);
    ~frmAbout() override;

    // Loads the box if it is not loaded and shows it, or brings it forward.
    static void display();
    // The loaded box, null when none is loaded.
    static frmAbout* instance();

    void Form_Load();
    void cmdOK_Click();
    void cmdHelp_Click();

    // The sentence every description carries after its first line.
    static QString fixedDescription();

    QLabel* Picture1 = nullptr;
    QLabel* lblTitle = nullptr;
    QLabel* lblVersion = nullptr;
    QLabel* lblDescription = nullptr;
    // Line1[0] is the white line, Line1[1] the grey one: together an etched rule.
    std::array<QFrame*, 2> Line1{};
    QLabel* lblDisclaimer = nullptr;
    QPushButton* cmdOK = nullptr;
    QPushButton* cmdHelp = nullptr;

private:
    static QPointer<frmAbout> s_instance;
};
