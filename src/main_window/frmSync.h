// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "carddav_sync/DavClient.h"

#include <QDialog>
#include <memory>

class QLabel;
class QLineEdit;
class QListWidget;
class QPushButton;
class ListSync;

// "Sync with an Address Book Server": links the current list to an address
// book (server, user name, password; the user's books listed by name, or a
// new one made), or, for a linked list, shows the link with "Sync Now" and
// "Unlink".
class frmSync : public QDialog {
    Q_OBJECT
public:
    frmSync(QWidget* parent, ListSync& sync, const QString& listPath);
    ~frmSync() override;
    // Opens the dialog for the main window's current list.
    static void showModal();

    QLineEdit* server = nullptr;
    QLineEdit* user = nullptr;
    QLineEdit* password = nullptr;
    QPushButton* find = nullptr;
    QListWidget* books = nullptr;
    QLineEdit* newBook = nullptr;
    QPushButton* create = nullptr;
    QPushButton* link = nullptr;
    QLabel* linkInfo = nullptr;
    QPushButton* syncNow = nullptr;
    QPushButton* unlink = nullptr;

private:
    void buildUnlinked();
    void buildLinked();
    bool connectServer();
    void linkTo(const DavClient::Book& book);
    template <class Fn> bool talking(Fn&& fn);

    ListSync& sync_;
    QString listPath_;
    QString fingerprint_;
    std::unique_ptr<DavClient> client_;
    QList<DavClient::Book> found_;
};
