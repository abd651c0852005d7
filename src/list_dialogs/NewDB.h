// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
#include <QDialog>

struct Globals;

class QFrame;
class QGroupBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QRadioButton;

// "  Make a new List": makes a new, empty list from the template and makes it
// the current list of the main window.
class NewDB : public QDialog {
    Q_OBJECT
public:
    explicit NewDB(Globals& globals, QWidget* parent = nullptr);
    ~NewDB() override;

    // Shows the dialog modally over the main window; returns when it closes.
    static void showModal(Globals& globals);
    // The dialog while it is loaded (null otherwise).
    static NewDB* instance();

    // 0 OK, 1 Cancel.
    void cmdButtons_Click(int index);

    // Why a typed name cannot name a list file (a RunError number, 0 when it can).
    static int nameFault(const QString& typedName);

    // Controls, by their designer names.
    QGroupBox* Frame1 = nullptr;
    QRadioButton* Option1[2] = {nullptr, nullptr};
    QLabel* Label1 = nullptr;
    QLineEdit* Text1 = nullptr;
    QLabel* Label2 = nullptr;
    QFrame* Line2 = nullptr;
    QFrame* Line1 = nullptr;
    QPushButton* cmdButtons[2] = {nullptr, nullptr};

private:
    Globals& globals_;

    void makeList();
};
