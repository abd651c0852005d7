// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
#include "platform/RunError.h"

#include <QPointer>
#include <QWidget>

#include <array>
#include <optional>

class BusyProgress;
class Database;
class QComboBox;
class pList;
class QLabel;
class QLineEdit;
class QListWidget;
class QPushButton;
class Recordset;

// "OutLook Contacts": the address book's contacts beside their e-mail
// addresses; the selected contacts are added to the list open in the main
// window. Modeless and ownerless; closing it unloads it, so the next listing
// starts with empty lists.
class frmContacts : public QWidget {
    Q_OBJECT
public:
    // The loaded window; the first reference loads it, with empty lists.
    static frmContacts* instance();
    // The loaded window, or null when it is not loaded.
    static frmContacts* loaded();
    // Shows the window non-modally and brings it forward.
    static void display();

    ~frmContacts() override;

    void cboBooks_Click();
    void lstContacts_Click();
    void lstEmail_Click();
    void cmdClear_Click(int index);
    void cmdAdd2phonebook_Click();
    void Form_Unload(int& cancel);

    // Controls, by their designer names, in tab order; the address book
    // chooser above the lists (and its caption) comes last.
    QListWidget* lstContacts = nullptr;
    QListWidget* lstEmail = nullptr;
    QLabel* Label1 = nullptr;
    QLabel* Label2 = nullptr;
    QLineEdit* Text1 = nullptr;
    QLineEdit* Text2 = nullptr;
    QLineEdit* Text3 = nullptr;
    QLineEdit* Text4 = nullptr;
    QWidget* Picture1 = nullptr;
    QPushButton* cmdAdd2phonebook = nullptr;
    std::array<QPushButton*, 2> cmdClear{};
    QLineEdit* Text2a = nullptr;
    QLineEdit* Text2b = nullptr;
    QLineEdit* Text3a = nullptr;
    QComboBox* cboBooks = nullptr;
    QLabel* lblBooks = nullptr;

    // For each entry of lstContacts, the folder position it was read from.
    QList<qint32> contactPositions;

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    frmContacts();
    // Changes a list's selection without it counting as the user's click.
    void setSelected(QListWidget* list, int row, bool selected);
    // Makes a contact the current entry without changing any selection.
    void makeCurrent(int row);
    // Shows the details of the contact listed at `row`.
    void showDetailsOf(int row);
    std::optional<RunError> storeSelected(pList* main);
    void addSelected(Recordset& rs, Database& db, BusyProgress& busy, QList<int>& added);
    void addShownContact(Recordset& rs, Database& db, const QString& name);

    static QPointer<frmContacts> s_instance;
    bool m_settingSelection = false;
};
