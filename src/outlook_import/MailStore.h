// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "outlook_import/MailFolder.h"

#include <QString>
#include <QStringList>

#include <functional>
#include <memory>

// The user's mail store as the phonebook reads it: a folder tree on disk whose
// first level holds the stores ("Personal Folders") and whose second level holds
// their folders ("Contacts"). A folder's items are the cards of its .vcf files.
//
// Folders read once are kept for the whole process and only files that changed
// since (size, modification time, or the folder's file list) are read again, so
// opening the store and looking up a folder again are cheap.
class MailStore {
public:
    explicit MailStore(QString root = defaultRoot());

    // <generic data location>/Quillary/Mail, e.g. ~/.local/share/Quillary/Mail
    static QString defaultRoot();

    const QString& root() const { return m_root; }

    // Top-level folders in name order; empty when the store cannot be opened.
    QStringList topLevelFolders() const;
    // Folders inside one top-level folder, in name order.
    QStringList folders(const QString& topLevel) const;

    // nullptr when either folder does not exist. Names match exactly, or else
    // without regard to case.
    std::shared_ptr<const MailFolder> folder(const QString& topLevel, const QString& name) const;
    // The same folder for a look at one item: the folder as last read while
    // neither its file list nor the file holding item `position` changed, else
    // read again. Costs two file checks, however large the folder.
    std::shared_ptr<const MailFolder> folderHolding(const QString& topLevel, const QString& name,
                                                    int position) const;

    // Called before each file of a folder is looked at: files done, files in all.
    using Progress = std::function<void(qsizetype done, qsizetype total)>;
    void setProgress(Progress progress);

    // The first folder named "Contacts" (top-level folders in name order); null if none.
    std::shared_ptr<const MailFolder> defaultContactsFolder() const;
    // Its name as shown to the user; empty when there is none.
    QString defaultContactsFolderName() const;

    // How many vCard files have been read since the process started.
    static int parseCount();
    // Forgets every folder read so far.
    static void clearCache();

private:
    // The absolute path of topLevel/name, empty when either is missing; inner
    // gets the folder's name as found on disk.
    QString folderPath(const QString& topLevel, const QString& name, QString& inner) const;

    QString m_root;
    Progress m_progress;
};
