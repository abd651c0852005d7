// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
#include <QWidget>
#include <array>

class AdoDataControl;
class QLabel;
class QLineEdit;
class NoteBox;
class QPushButton;

// The telephone area code directory ("TelephoneAreas"): browses and edits the
// rows of TelephoneAreas in AreaCodes.mdb, jumps to an area code and narrows the
// rows to one location. Modeless, one instance, no owner.
class frmAreaCodes : public QWidget {
    Q_OBJECT
public:
    explicit frmAreaCodes(QWidget* parent = nullptr);
    ~frmAreaCodes() override;

    // Creates and loads the window when it is not loaded, then shows it or
    // brings it forward.
    static void display();
    // The loaded window, null when none is.
    static frmAreaCodes* instance();

    static constexpr const char* fullList =
        "select AreaCode,Description,Location from TelephoneAreas";
    static constexpr const char* locationFilter =
        "SELECT AreaCode,Description,Location from TelephoneAreas WHERE "
        "TelephoneAreas.Location='";

    void Form_Load();
    void Form_Unload(qint16& cancel);
    void Command1_Click();
    void Command2_Click();
    void cmdAdd_Click();
    void cmdUpdate_Click();
    void cmdDelete_Click();
    void cmdRefresh_Click();
    void cmdClose_Click();
    void Text1_GotFocus(qint16 index);
    void Text1_KeyPress(qint16 index, qint16& keyAscii);
    void Text1_LostFocus(qint16 index);
    void datPrimaryRS_MoveComplete();
    void datPrimaryRS_Error(qint32 errorNumber, const QString& description, bool* fCancelDisplay);

    // Controls, by their designer names.
    QWidget* Picture1 = nullptr;
    QLabel* Label5 = nullptr;
    QLabel* Label2 = nullptr;
    QLabel* Label3 = nullptr;
    // 0 area code, 1 location.
    std::array<QLineEdit*, 2> Text1{};
    QPushButton* Command1 = nullptr;
    QPushButton* Command2 = nullptr;
    // 0 AreaCode, 1 Description, 2 Location.
    std::array<QLabel*, 3> lblLabels{};
    // 0 and 2 are QLineEdit, 1 (the description) a multi-line NoteBox.
    std::array<QWidget*, 3> txtFields{};
    QLabel* Label4 = nullptr;
    QWidget* picButtons = nullptr;
    QPushButton* cmdAdd = nullptr;
    QPushButton* cmdUpdate = nullptr;
    QPushButton* cmdDelete = nullptr;
    QPushButton* cmdRefresh = nullptr;
    QPushButton* cmdClose = nullptr;
    AdoDataControl* datPrimaryRS = nullptr;

protected:
    void closeEvent(QCloseEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void buildControls();
    void buildSearch(const QFont& bold);
    void buildFields(const QFont& bold);
    void buildButtonBar();
    void buildDataControl();
    QLineEdit* areaCodeField() const;
    QLineEdit* locationField() const;
    NoteBox* descriptionField() const;
};
