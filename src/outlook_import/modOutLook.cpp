// SPDX-License-Identifier: GPL-3.0-or-later
#include "modOutLook.h"

#include "outlook_import/AddressBooks.h"
#include "outlook_import/BusyProgress.h"
#include "outlook_import/MailPrograms.h"
#include "outlook_import/MailStore.h"
#include "vcard/VCardReader.h"
#include "outlook_import/frmContacts.h"
#include "platform/MsgBox.h"
#include "platform/Resume.h"

#include <QHash>
#include <QLineEdit>
#include <QListWidget>

#include <memory>
#include <utility>

namespace modOutLook {
namespace {

const QString topLevelName = QStringLiteral("Personal Folders");
const QString contactsName = QStringLiteral("Contacts");

QString g_root;

// The connection, valid from opening until CloseOutlook.
std::unique_ptr<MailStore> olApp;
const MailStore* olNameSpace = nullptr;
std::shared_ptr<const MailFolder> olContactsFolder;
// Only the default folder's name is ever used, so only the name is looked up:
// reading a second folder's cards just for its name would be wasted work.
QString olDefaultContacts;
const ContactCard* olContact = nullptr;
qint32 ContactCount = 0;
// 32-bit, so folders beyond 32,767 items are read whole.
qint32 ContactIndex = 0;

// Last position of each contact's display value in one folder snapshot. A
// snapshot never changes, so the index is built once per snapshot; looking a
// name up gives what a whole scan keeping the last match would.
struct NameIndex {
    std::shared_ptr<const MailFolder> folder;
    QHash<QString, qint32> lastPosition;
};
NameIndex g_index;

// The folder snapshot a FolderHold keeps for the connections made under it.
int g_holdDepth = 0;
bool g_held = false;
std::shared_ptr<const MailFolder> g_heldFolder;
QString g_heldDefaultName;

// Reports each file of the folder while a listing reads it.
MailStore::Progress g_progress;

// Books of the mail program that could not be read by the last connection,
// each as the message telling the user so.
QStringList g_unreadBooks;

// The contacts folder is the personal address book of the user's mail
// program, where there is one; the first book that can be read is used.
void openMailProgramBook() {
    g_unreadBooks.clear();
    for (const AddressBookPlace& place : MailPrograms::addressBooks()) {
        const AddressBooks::Reading reading = AddressBooks::read(place);
        if (reading.folder) {
            olContactsFolder = reading.folder;
            olDefaultContacts = place.name;
            return;
        }
        g_unreadBooks << AddressBooks::failureMessage(place, reading.failure);
    }
}

// position: the item the connection is opened for; 0 for the whole folder.
void openConnection(qint32 position = 0) {
    if (g_holdDepth > 0 && g_held) {
        resumeStep([] { olApp = std::make_unique<MailStore>(storeRoot()); });
        olNameSpace = olApp.get();
        olContactsFolder = g_heldFolder;
        olDefaultContacts = g_heldDefaultName;
    } else {
        resumeStep([] {
            olApp = std::make_unique<MailStore>(storeRoot());
            olApp->setProgress(g_progress);
        });
        resumeStep([] { olNameSpace = olApp.get(); });
        olContactsFolder = nullptr;
        olDefaultContacts.clear();
        resumeStep(openMailProgramBook);
        if (!olContactsFolder) {
            resumeStep([position] {
                if (!olNameSpace)
                    return;
                olContactsFolder =
                    position > 0 ? olNameSpace->folderHolding(topLevelName, contactsName, position)
                                 : olNameSpace->folder(topLevelName, contactsName);
            });
            resumeStep([] {
                if (olNameSpace)
                    olDefaultContacts = olNameSpace->defaultContactsFolderName();
            });
        }
        if (g_holdDepth > 0) {
            g_held = true;
            g_heldFolder = olContactsFolder;
            g_heldDefaultName = olDefaultContacts;
        }
    }
    ContactCount = 0;
    resumeStep([] { ContactCount = olContactsFolder ? olContactsFolder->count() : 0; });
}

const ContactCard* contactAt(qint32 position) {
    const ContactCard* item = olContactsFolder ? olContactsFolder->item(position) : nullptr;
    return item && item->isContact() ? item : nullptr;
}

const NameIndex& nameIndex() {
    if (g_index.folder != olContactsFolder) {
        g_index.lastPosition.clear();
        g_index.folder = olContactsFolder;
        for (qint32 i = 1; i <= ContactCount; ++i) {
            if (const ContactCard* card = contactAt(i))
                g_index.lastPosition.insert(card->displayValue, i);
        }
    }
    return g_index;
}

} // namespace

void setStoreRootForTesting(const QString& root) {
    g_root = root;
}

QString storeRoot() {
    return g_root.isEmpty() ? MailStore::defaultRoot() : g_root;
}

void GetOutlookContacts() {
    frmContacts* form = frmContacts::instance();
    {
        BusyProgress busy(form, QStringLiteral("Reading the contacts..."));
        g_progress = [&busy](qsizetype done, qsizetype total) { busy.step(done, total); };
        openConnection();
        g_progress = nullptr;
    }
    // Told once the reading is over, so the busy pointer is gone meanwhile.
    for (const QString& message : std::exchange(g_unreadBooks, {}))
        MsgBox::show(message, MsgBox::Buttons::Ok, MsgBox::Icon::Exclamation);
    QStringList names;
    QStringList addresses;
    QList<qint32> positions;
    for (ContactIndex = 1; ContactIndex <= ContactCount; ++ContactIndex) {
        olContact = nullptr;
        resumeStep([] { olContact = contactAt(ContactIndex); });
        if (!olContact || olContact->displayValue.isEmpty())
            continue;
        names.append(olContact->displayValue);
        addresses.append(olContact->email);
        positions.append(ContactIndex);
    }
    olContact = nullptr;
    // Both lists grow in the same step, so entry k of each is the same contact.
    form->lstContacts->addItems(names);
    form->lstEmail->addItems(addresses);
    form->contactPositions.append(positions);
    if (!names.isEmpty() && !olDefaultContacts.isEmpty())
        form->Text4->setText(QStringLiteral("Current Outlook folder is '") + olDefaultContacts +
                             QLatin1Char('\''));
    CloseOutlook();
    frmContacts::display();
}

void DisplayContactDetails(QString contactName, qint32 position) {
    const HandlerScope scope;
    openConnection(position);
    frmContacts* form = frmContacts::instance();
    for (QLineEdit* field :
         {form->Text1, form->Text2, form->Text2a, form->Text2b, form->Text3, form->Text3a})
        field->clear();
    resumeStep([&] {
        olContact = position > 0 ? contactAt(position) : nullptr;
        if (olContact && olContact->displayValue == contactName) {
            ContactIndex = position;
        } else {
            // The folder changed since it was listed: the contact is found by name.
            const NameIndex& index = nameIndex();
            const auto found = index.lastPosition.constFind(contactName);
            if (found == index.lastPosition.constEnd())
                return;
            ContactIndex = *found;
            olContact = contactAt(ContactIndex);
        }
        if (!olContact)
            return;
        // A single-line field cannot show a line break: only the first line goes in.
        form->Text1->setText(VCardReader::firstLine(olContact->mailingAddress));
        form->Text2->setText(olContact->city);
        form->Text2a->setText(olContact->region);
        form->Text2b->setText(olContact->postalCode);
        form->Text3->setText(olContact->homePhone);
        form->Text3a->setText(olContact->email);
    });
    olContact = nullptr;
    CloseOutlook();
}

void CloseOutlook() {
    olContact = nullptr;
    olContactsFolder.reset();
    olNameSpace = nullptr;
    olApp.reset();
    ContactCount = 0;
    ContactIndex = 0;
}

FolderHold::FolderHold() {
    ++g_holdDepth;
}

FolderHold::~FolderHold() {
    if (--g_holdDepth == 0) {
        g_held = false;
        g_heldFolder.reset();
        g_heldDefaultName.clear();
    }
}

} // namespace modOutLook
