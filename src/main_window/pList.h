// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
#include "main_window/Globals.h"
#include "platform/DataControl.h"
#include "platform/SortedListBox.h"

#include <QMainWindow>
#include <functional>

class QAction;
class QGroupBox;
class QLabel;
class QLineEdit;
class QMenu;
class NoteBox;
class QPushButton;
class ListSync;
class RunError;

// The main window: the contacts of the current list on the left, the chosen
// contact's fields on the right, the notes below. Other windows reach its
// controls and public operations directly, through its single instance.
class pList : public QMainWindow {
    Q_OBJECT
public:
    explicit pList(QWidget* parent = nullptr);
    ~pList() override;

    // The one main window (null before it is created).
    static pList* instance();
    // Creates the main window, runs its start-up and shows it.
    static void startProgram();

    // Start-up (settles the list, opens it, fills the list, selects the first entry).
    void Form_Load();
    // Re-opens the current list and fills the list with person names.
    void Refresh_Click(qint16 index = 0);
    void AddNew_Click(qint16 index = 0);
    void Delete_Click(qint16 index = 0);
    // Makes a list file of the application folder the current list (the list
    // chooser and the new-list dialog use it).
    bool openList(const QString& fileName);

    // Menu and control handlers.
    void LoadIndiv_Click(qint16 index = 0);
    void LoadCompany_Click(qint16 index = 0);
    void mnuRefresh_Click(qint16 index = 0);
    void List1_Click();
    void List1_MouseDown(Qt::MouseButton button, Qt::KeyboardModifiers shift, QPoint twips);
    void cmdAdd_Click();
    void smdSave_Click();
    void mnuDelContact_Click(qint16 index = 0);
    void Text9_LostFocus();
    void MakeDB_Click(qint16 index = 0);
    void DBSwitch_Click(qint16 index = 0);
    void ListCopy_Click(qint16 index = 0);
    void AreaCodeLookup_Click(qint16 index = 0);
    void mnuSync_Click(qint16 index = 0);
    void mnuGetOLC_Click(qint16 index = 0);
    // Writes the list's contacts, or the chosen ones, to a vCard file.
    void mnuExport_Click(qint16 index = 0);
    void About_Click(qint16 index = 0);
    void Exit_Click(qint16 index = 0);
    void Exit2_Click(qint16 index = 0);
    void Form_Unload(qint16& cancel);

    // The state shared with the list dialogs, handed to each of them.
    Globals& globals() { return globals_; }

    // Start-up opens these modally when it must; tests replace them.
    std::function<void()> showListChooser;
    std::function<void()> showNewList;
    // Ends the program at once (Exit); tests replace it.
    std::function<void()> endProgram;

    // Keeps a linked list in step with its address book server.
    ListSync* listSync = nullptr;

    // Controls, by their designer names.
    QWidget* Picture1 = nullptr;
    QPushButton* cmdAdd = nullptr;
    QPushButton* smdSave = nullptr;
    DataControl* Data1 = nullptr;
    QWidget* Picture2 = nullptr;
    QLineEdit* Text12 = nullptr;
    QLineEdit* Text11 = nullptr;
    QGroupBox* Frame2 = nullptr;
    QLabel* Label4 = nullptr;
    QLabel* Label3 = nullptr;
    QLabel* Label2 = nullptr;
    QLabel* Label8 = nullptr;
    QGroupBox* Frame1 = nullptr;
    QLineEdit* Text4 = nullptr;
    QLineEdit* Text3 = nullptr;
    QLineEdit* Text2 = nullptr;
    QLineEdit* Text6 = nullptr;
    QLineEdit* Text10 = nullptr;
    QLineEdit* Text9 = nullptr;
    QLineEdit* Text8 = nullptr;
    QLineEdit* Text7 = nullptr;
    QLineEdit* Text1 = nullptr;
    QLabel* Label12 = nullptr;
    QLabel* Label11 = nullptr;
    QLabel* Label10 = nullptr;
    QLabel* Label9 = nullptr;
    QLabel* Label1 = nullptr;
    NoteBox* Text5 = nullptr;
    SortedListBox* List1 = nullptr;
    QLabel* Image2 = nullptr;
    QLabel* Label13 = nullptr;
    QLabel* Label6 = nullptr;
    QLabel* Label7 = nullptr;
    QLabel* Label5 = nullptr;

    // Menu items.
    QMenu* File = nullptr;
    QAction* Delete = nullptr;
    QAction* AddNew = nullptr;
    QAction* mnuGetOLC = nullptr;
    QAction* mnuExport = nullptr;
    QAction* Refresh = nullptr;
    QAction* MakeDB = nullptr;
    QAction* DBSwitch = nullptr;
    QAction* ListCopy = nullptr;
    QAction* mnuSync = nullptr;
    QAction* LoadIndiv = nullptr;
    QAction* LoadCompany = nullptr;
    QAction* Sep4 = nullptr;
    QAction* AreaCodeLookup = nullptr;
    QAction* Exit = nullptr;
    QAction* Exit2 = nullptr;
    QAction* About = nullptr;
    QMenu* mnuPop = nullptr;
    QAction* mnuDelContact = nullptr;
    QAction* mnuRefresh = nullptr;

protected:
    void closeEvent(QCloseEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    Globals globals_;

    void buildControls();
    void buildMenus();
    enum class Opening { Opened, Failed, Locked };
    Opening openWholeTable();
    bool reportLocked(const QString& title = QString());
    void lookupFailed();
    void setFieldsReadOnly(bool on);
    QList<QLineEdit*> lineFields() const;
    QStringList fieldTexts() const;
    void setFieldTexts(const QStringList& texts);
    void reportUnstorableEdits();
    bool deleteConfirmedContact(bool& confirmed);
    bool confirmDelete(const QString& name);
    void reportFailedDelete(const RunError& failure, bool confirmed);
    void storeTypedContact();
    void listStoredNames(const QString& fieldName);
    void fillList(const QString& field, bool skipEmpty);
    void loadNames(const QString& fieldName, const QString& caption, qint16 mode);
};
