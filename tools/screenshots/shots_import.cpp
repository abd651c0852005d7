// SPDX-License-Identifier: GPL-3.0-or-later
#include "Shots.h"

#include "outlook_import/frmContacts.h"
#include "outlook_import/modOutLook.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QListWidget>
#include <QTemporaryDir>

namespace {

QByteArray card(const QByteArray& fn, const QByteArray& email, const QByteArray& adr,
                const QByteArray& phone) {
    return "BEGIN:VCARD\r\nVERSION:3.0\r\nFN:" + fn + "\r\nEMAIL:" + email +
           "\r\nADR;TYPE=HOME:;;" + adr + "\r\nTEL;TYPE=HOME:" + phone + "\r\nEND:VCARD\r\n";
}

} // namespace

void shootImport(const QString& outDir) {
    QTemporaryDir store;
    const QString folder = store.filePath(QStringLiteral("Personal Folders/Contacts"));
    QDir().mkpath(folder);
    QFile file(folder + QStringLiteral("/contacts.vcf"));
    if (!file.open(QIODevice::WriteOnly))
        return;
    file.write(card("Ada Lovelace", "ada@example.org", "12 St James's Sq;London;;SW1Y 4JH;UK",
                    "020 7946 0018") +
               card("Alan Turing", "alan@example.org", "78 High St;Hampton;;TW12 2SN;UK",
                    "020 7946 0042") +
               card("Grace Hopper", "grace@example.org", "1 Navy Yard;Arlington;VA;22202;USA",
                    "703-555-0143") +
               card("Katherine Johnson", "katherine@example.org",
                    "4 Langley Blvd;Hampton;VA;23681;USA", "757-555-0190") +
               card("Linus Torvalds", "", "2 Kernel Way;Portland;OR;97201;USA", "503-555-0117") +
               card("Margaret Hamilton", "margaret@example.org",
                    "77 Massachusetts Ave;Cambridge;MA;02139;USA", "617-555-0169"));
    file.close();

    modOutLook::setStoreRootForTesting(store.path());
    modOutLook::GetOutlookContacts();
    if (frmContacts* form = frmContacts::loaded()) {
        // Two contacts chosen, the second one's details shown.
        form->lstContacts->setCurrentRow(2, QItemSelectionModel::NoUpdate);
        form->lstContacts->item(0)->setSelected(true);
        form->lstContacts->item(2)->setSelected(true);
        QCoreApplication::processEvents();
        form->grab().save(outDir + QStringLiteral("/import.png"));
        form->close();
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    }
    modOutLook::setStoreRootForTesting(QString());
}
