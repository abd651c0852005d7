// SPDX-License-Identifier: GPL-3.0-or-later
#include "frmContacts.h"

#include "main_window/pList.h"
#include "outlook_import/BusyProgress.h"
#include "outlook_import/modOutLook.h"
#include "platform/DataControl.h"
#include "platform/Database.h"
#include "platform/FormLook.h"
#include "platform/MsgBox.h"
#include "platform/Recordset.h"
#include "platform/Resume.h"
#include "platform/RunError.h"
#include "platform/Twips.h"
#include "storage/CardStore.h"

#include <QCloseEvent>
#include <QComboBox>
#include <QFrame>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <SQLiteCpp/Database.h>

#include <optional>

QPointer<frmContacts> frmContacts::s_instance;

namespace {

// The import reports refused records itself; the data control would report
// them a second time.
class QuietRefusals {
public:
    explicit QuietRefusals(DataControl& dc) : dc_(dc) { dc_.setReportsRefusals(false); }
    ~QuietRefusals() { dc_.setReportsRefusals(true); }
    QuietRefusals(const QuietRefusals&) = delete;
    QuietRefusals& operator=(const QuietRefusals&) = delete;

private:
    DataControl& dc_;
};

QListWidget* makeList(QWidget* parent, const QString& name, const QFont& font) {
    auto* list = new QListWidget(parent);
    list->setObjectName(name);
    list->setFont(font);
    list->setSelectionMode(QAbstractItemView::MultiSelection);
    list->setSortingEnabled(false);
    list->setUniformItemSizes(true);
    return list;
}

QLineEdit* makeField(QWidget* parent, const QString& name, const QFont& font) {
    auto* field = new QLineEdit(parent);
    field->setObjectName(name);
    field->setFont(font);
    return field;
}

QPushButton* makeButton(QWidget* parent, const QString& name, const QString& caption,
                        const QFont& font) {
    auto* button = new QPushButton(caption, parent);
    button->setObjectName(name);
    button->setFont(font);
    button->setAutoDefault(false);
    return button;
}

// Groups the stores of one import into one transaction of the list file.
class StoreGroup {
public:
    explicit StoreGroup(Database* db) : db_(db) {
        if (!db_)
            throw RunError::of(ErrNo::ObjectNotSet);
        db_->guarded([this] { db_->handle().exec("BEGIN"); });
        open_ = true;
    }
    ~StoreGroup() {
        if (open_) {
            try {
                db_->handle().exec("ROLLBACK");
            } catch (const std::exception&) {
            }
        }
    }
    StoreGroup(const StoreGroup&) = delete;
    StoreGroup& operator=(const StoreGroup&) = delete;

    void commit() {
        db_->guarded([this] { db_->handle().exec("COMMIT"); });
        open_ = false;
    }

private:
    Database* db_;
    bool open_ = false;
};

// A contact taken from a card gets every field the card gives, exactly as the
// card holds it, and the further columns of the list that the card fills.
void storeCardFields(Recordset& rs, const ContactCard& card) {
    const ContactFields& f = card.fields;
    for (int i = ContactFields::Company; i < ContactFields::Count; ++i)
        rs.setField(QString::fromLatin1(ContactFields::columns[size_t(i)]),
                    f[ContactFields::Field(i)]);
    for (const auto& [column, value] : f.extra) {
        const bool known = std::any_of(
            ContactFields::columns.begin(), ContactFields::columns.end(), [&](const char* c) {
                return column.compare(QLatin1String(c), Qt::CaseInsensitive) == 0;
            });
        if (!known && rs.fieldIndex(column) >= 0)
            rs.setField(column, value);
    }
}

void showAddFailed() {
    MsgBox::show(QStringLiteral("An error occured while trying to perform the previous") +
                     QStringLiteral("\r\n") +
                     QStringLiteral("operation.Cannot add items to the Phonebook now."),
                 MsgBox::Buttons::Ok, MsgBox::Icon::Critical, QStringLiteral("Error Occured"));
}

} // namespace

frmContacts* frmContacts::instance() {
    if (!s_instance)
        s_instance = new frmContacts;
    return s_instance;
}

frmContacts* frmContacts::loaded() {
    return s_instance;
}

void frmContacts::display() {
    frmContacts* form = instance();
    form->show();
    form->raise();
    form->activateWindow();
}

frmContacts::frmContacts() : QWidget(nullptr, Qt::Window) {
    setObjectName(QStringLiteral("frmContacts"));
    setAttribute(Qt::WA_DeleteOnClose);
    setWindowTitle(QStringLiteral("OutLook Contacts"));
    FormLook::fixedBorder(this, true);
    // The address book chooser takes a band above the lists.
    constexpr int top = 420;
    Twips::setFixedClientSize(this, 10110, top + 9720);

    const QFont plain = Fonts::make(QStringLiteral("MS Sans Serif"), 8.25);
    setFont(plain);

    lstContacts = makeList(this, QStringLiteral("lstContacts"), plain);
    Twips::place(lstContacts, 938, top + 540, 3015, 7080);
    lstEmail = makeList(this, QStringLiteral("lstEmail"), plain);
    Twips::place(lstEmail, 4020, top + 540, 5235, 7080);

    Label1 = new QLabel(QStringLiteral("Contact Name"), this);
    Label1->setObjectName(QStringLiteral("Label1"));
    Label1->setFont(plain);
    Label1->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    Twips::place(Label1, 930, top + 360, 1995, 315);
    Label2 = new QLabel(QStringLiteral("Email Address"), this);
    Label2->setObjectName(QStringLiteral("Label2"));
    Label2->setFont(plain);
    Label2->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    Twips::place(Label2, 4050, top + 360, 2205, 285);

    Text1 = makeField(this, QStringLiteral("Text1"), plain);
    Twips::place(Text1, 938, top + 7920, 4995, 315);
    Text2 = makeField(this, QStringLiteral("Text2"), plain);
    Twips::place(Text2, 938, top + 8250, 2955, 315);
    Text3 = makeField(this, QStringLiteral("Text3"), plain);
    Twips::place(Text3, 938, top + 8520, 2985, 315);
    Text4 = makeField(this, QStringLiteral("Text4"), plain);
    Twips::place(Text4, 960, top + 8850, 4995, 315);

    auto* panel = new QFrame(this);
    panel->setFrameStyle(QFrame::Panel | QFrame::Sunken);
    panel->setLineWidth(2);
    Picture1 = panel;
    Picture1->setObjectName(QStringLiteral("Picture1"));
    Twips::place(Picture1, 6090, top + 7920, 3165, 1485);
    cmdAdd2phonebook = makeButton(Picture1, QStringLiteral("cmdAdd2phonebook"),
                                  QStringLiteral("Add Selected"), plain);
    Twips::place(cmdAdd2phonebook, 210, 120, 1215, 345);

    cmdClear[0] =
        makeButton(this, QStringLiteral("cmdClear_0"), QStringLiteral("Clear Selected"), plain);
    Twips::place(cmdClear[0], 2408, top + 270, 1545, 285);
    cmdClear[1] =
        makeButton(this, QStringLiteral("cmdClear_1"), QStringLiteral("Clear Selected"), plain);
    Twips::place(cmdClear[1], 7710, top + 270, 1545, 285);

    Text2a = makeField(this, QStringLiteral("Text2a"), plain);
    Twips::place(Text2a, 3900, top + 8250, 705, 315);
    Text2b = makeField(this, QStringLiteral("Text2b"), plain);
    Twips::place(Text2b, 4598, top + 8250, 1335, 345);
    Text3a = makeField(this, QStringLiteral("Text3a"), plain);
    Twips::place(Text3a, 3930, top + 8580, 2025, 285);

    // Made last, so that the window opens with the focus in the contacts.
    cboBooks = new QComboBox(this);
    cboBooks->setObjectName(QStringLiteral("cboBooks"));
    cboBooks->setFont(plain);
    Twips::place(cboBooks, 2160, 90, 4500, 315);
    lblBooks = new QLabel(QStringLiteral("&Address Book"), this);
    lblBooks->setObjectName(QStringLiteral("lblBooks"));
    lblBooks->setFont(plain);
    lblBooks->setBuddy(cboBooks);
    lblBooks->setAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    Twips::place(lblBooks, 930, 90, 1215, 315);

    const QList<QWidget*> tabOrder = {
        lstContacts, lstEmail,    Text1,  Text2,  Text3,  Text4,   cmdAdd2phonebook,
        cmdClear[0], cmdClear[1], Text2a, Text2b, Text3a, cboBooks};
    for (qsizetype i = 1; i < tabOrder.size(); ++i)
        setTabOrder(tabOrder[i - 1], tabOrder[i]);
    FormLook::settle(this);

    // A user's click (or space bar) toggles an entry; changes made here in code
    // are no clicks.
    connect(lstContacts, &QListWidget::itemSelectionChanged, this, [this] {
        if (!m_settingSelection)
            lstContacts_Click();
    });
    connect(lstEmail, &QListWidget::itemSelectionChanged, this, [this] {
        if (!m_settingSelection)
            lstEmail_Click();
    });
    connect(cboBooks, &QComboBox::activated, this, [this] { cboBooks_Click(); });
    for (int i = 0; i < int(cmdClear.size()); ++i)
        connect(cmdClear[size_t(i)], &QPushButton::clicked, this, [this, i] { cmdClear_Click(i); });
    connect(cmdAdd2phonebook, &QPushButton::clicked, this, [this] { cmdAdd2phonebook_Click(); });
}

frmContacts::~frmContacts() {
    if (s_instance == this)
        s_instance = nullptr;
}

void frmContacts::setSelected(QListWidget* list, int row, bool selected) {
    QListWidgetItem* entry = list->item(row);
    if (!entry || entry->isSelected() == selected)
        return;
    const bool before = m_settingSelection;
    m_settingSelection = true;
    entry->setSelected(selected);
    m_settingSelection = before;
}

void frmContacts::cboBooks_Click() {
    // The chosen book's contacts take the place of those listed.
    const bool before = m_settingSelection;
    m_settingSelection = true;
    lstContacts->clear();
    lstEmail->clear();
    m_settingSelection = before;
    contactPositions.clear();
    for (QLineEdit* field : {Text1, Text2, Text2a, Text2b, Text3, Text3a, Text4})
        field->clear();
    modOutLook::GetOutlookContacts();
}

void frmContacts::lstContacts_Click() {
    showDetailsOf(lstContacts->currentRow());
}

void frmContacts::showDetailsOf(int row) {
    // By the entry's own position: two contacts of one name each show their own.
    QListWidgetItem* entry = lstContacts->item(row);
    modOutLook::DisplayContactDetails(entry ? entry->text() : QString(),
                                      contactPositions.value(row));
}

void frmContacts::lstEmail_Click() {
    // The contact beside the clicked address takes the address's state, so the
    // two lists stay in step whichever one the user clicks.
    const int row = lstEmail->currentRow();
    QListWidgetItem* address = lstEmail->item(row);
    if (!address)
        return;
    setSelected(lstContacts, row, address->isSelected());
}

void frmContacts::cmdClear_Click(int index) {
    QListWidget* list = index == 0 ? lstContacts : index == 1 ? lstEmail : nullptr;
    if (!list)
        return;
    for (int row = 0; row < list->count(); ++row)
        setSelected(list, row, false);
}

void frmContacts::cmdAdd2phonebook_Click() {
    pList* main = pList::instance();
    if (const std::optional<RunError> failure = storeSelected(main)) {
        if (failure->number() == ErrNo::DuplicateKey)
            MsgBox::show(QStringLiteral("Contact already exists in the Phonebook!"),
                         MsgBox::Buttons::Ok, MsgBox::Icon::Exclamation,
                         QStringLiteral("Contact Exists"));
        else
            showAddFailed();
        return;
    }
    main->Refresh_Click(0);
    MsgBox::show(QStringLiteral("All selected contacts were added!"), MsgBox::Buttons::Ok,
                 MsgBox::Icon::Information, QStringLiteral("Contacts Added"));
    // A repaint, not focus: the user may go on choosing contacts here.
    main->update();
}

// Stores the selected contacts in the main window's list. One transaction for
// the whole import instead of one per contact; it is committed before any
// failure is reported, so every contact added before the failure stays stored.
// Returns the failure, none when every selected contact was stored.
std::optional<RunError> frmContacts::storeSelected(pList* main) {
    std::optional<RunError> failure;
    const auto fail = [&failure](const std::exception& e) {
        if (auto run = dynamic_cast<const RunError*>(&e))
            failure = *run;
        else
            failure = toRunError(e);
    };
    try {
        if (!main || !main->Data1)
            throw RunError::of(ErrNo::ObjectNotSet);
        DataControl& dc = *main->Data1;
        Recordset& rs = dc.recordset();
        QuietRefusals quiet(dc);
        DataControl::Batch noRepaint(dc);
        modOutLook::FolderHold oneReading;
        StoreGroup group(dc.database());
        QList<int> added;
        BusyProgress busy(this, QStringLiteral("Adding the selected contacts..."));
        try {
            addSelected(rs, *dc.database(), busy, added);
        } catch (const std::exception& e) {
            fail(e);
        }
        try {
            group.commit();
        } catch (const std::exception& e) {
            // Nothing of this import was stored: its contacts are still to add.
            for (int row : added)
                setSelected(lstContacts, row, true);
            fail(e);
        }
    } catch (const std::exception& e) {
        fail(e);
    }
    return failure;
}

// Adds each selected contact as a new record, in list order, and deselects it;
// the rows added so far are in added. Throws the first refusal.
void frmContacts::addSelected(Recordset& rs, Database& db, BusyProgress& busy, QList<int>& added) {
    const qsizetype selected = lstContacts->selectedItems().size();
    for (int row = 0; row < lstContacts->count(); ++row) {
        QListWidgetItem* entry = lstContacts->item(row);
        if (!entry->isSelected())
            continue;
        busy.step(added.size(), selected);
        makeCurrent(row);
        showDetailsOf(row);
        addShownContact(rs, db, entry->text());
        setSelected(lstContacts, row, false);
        added.append(row);
    }
}

// Appends the contact whose details are shown as one record. A refused record
// is cancelled, so the main window never stores it later.
// The contact shown goes into the list with every field its card gives; the
// list keeps the card itself and its UID beside it.
void frmContacts::addShownContact(Recordset& rs, Database& db, const QString& name) {
    rs.addNew();
    const ContactCard& card = modOutLook::ShownContact();
    try {
        rs.setField(QStringLiteral("Pname"), name);
        rs.setField(QStringLiteral("PAddress"), Text1->text());
        rs.setField(QStringLiteral("PCity"), Text2->text());
        rs.setField(QStringLiteral("PState"), Text2a->text());
        rs.setField(QStringLiteral("PZip"), Text2b->text());
        rs.setField(QStringLiteral("Pphone"), Text3->text());
        rs.setField(QStringLiteral("Pemail"), Text3a->text());
        if (!card.text.isEmpty())
            storeCardFields(rs, card);
        rs.update();
        if (!card.text.isEmpty())
            CardStore(db).keep(db.handle().getLastInsertRowid(), card.uid, card.text,
                               card.homeAddress);
    } catch (...) {
        if (rs.isNew())
            rs.cancelUpdate();
        throw;
    }
}

void frmContacts::makeCurrent(int row) {
    const bool before = m_settingSelection;
    m_settingSelection = true;
    lstContacts->setCurrentRow(row, QItemSelectionModel::NoUpdate);
    m_settingSelection = before;
}

void frmContacts::Form_Unload(int&) {
    modOutLook::CloseOutlook();
}

void frmContacts::closeEvent(QCloseEvent* event) {
    int cancel = 0;
    Form_Unload(cancel);
    // Unloading is never cancelled.
    event->accept();
}
