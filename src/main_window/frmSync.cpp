// SPDX-License-Identifier: GPL-3.0-or-later
#include "frmSync.h"

#include "carddav_sync/ListLink.h"
#include "carddav_sync/Passwords.h"
#include "main_window/ListSync.h"
#include "main_window/pList.h"
#include "platform/Database.h"
#include "platform/MsgBox.h"
#include "platform/RunError.h"

#include <QDateTime>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QLocale>
#include <QPushButton>
#include <QVBoxLayout>

frmSync::frmSync(QWidget* parent, ListSync& sync, const QString& listPath)
    : QDialog(parent), sync_(sync), listPath_(listPath) {
    setObjectName(QStringLiteral("frmSync"));
    setWindowTitle(QStringLiteral("Sync with an Address Book Server"));
    sync_.setPaused(true);
    std::optional<SyncStore::Link> linked;
    try {
        Database db(listPath_);
        linked = ListLink::linkOf(db);
    } catch (const RunError&) {
    }
    if (linked)
        buildLinked();
    else
        buildUnlinked();
}

frmSync::~frmSync() {
    sync_.setPaused(false);
}

void frmSync::showModal() {
    pList* w = pList::instance();
    if (!w || !w->listSync)
        return;
    if (w->listSync->running())
        return;
    if (w->Data1->databaseName().isEmpty()) {
        MsgBox::show(QStringLiteral("No list is open."), MsgBox::Buttons::Ok,
                     MsgBox::Icon::Exclamation);
        return;
    }
    frmSync dialog(w, *w->listSync, w->Data1->databaseName());
    dialog.exec();
}

void frmSync::buildUnlinked() {
    auto* form = new QFormLayout;
    server = new QLineEdit(this);
    server->setObjectName(QStringLiteral("server"));
    server->setPlaceholderText(QStringLiteral("dav.example.org"));
    user = new QLineEdit(this);
    user->setObjectName(QStringLiteral("user"));
    password = new QLineEdit(this);
    password->setObjectName(QStringLiteral("password"));
    password->setEchoMode(QLineEdit::Password);
    form->addRow(QStringLiteral("&Server:"), server);
    form->addRow(QStringLiteral("&User name:"), user);
    form->addRow(QStringLiteral("&Password:"), password);
    find = new QPushButton(QStringLiteral("&Find Address Books"), this);
    find->setObjectName(QStringLiteral("find"));
    books = new QListWidget(this);
    books->setObjectName(QStringLiteral("books"));
    newBook = new QLineEdit(this);
    newBook->setObjectName(QStringLiteral("newBook"));
    newBook->setPlaceholderText(QStringLiteral("Name of a new address book"));
    create = new QPushButton(QStringLiteral("&Create and Link"), this);
    create->setObjectName(QStringLiteral("create"));
    link = new QPushButton(QStringLiteral("&Link"), this);
    link->setObjectName(QStringLiteral("link"));
    link->setEnabled(false);
    create->setEnabled(false);
    auto* cancel = new QPushButton(QStringLiteral("Cancel"), this);

    auto* made = new QHBoxLayout;
    made->addWidget(newBook);
    made->addWidget(create);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(link);
    buttons->addWidget(cancel);
    auto* all = new QVBoxLayout(this);
    all->addLayout(form);
    all->addWidget(find);
    all->addWidget(new QLabel(QStringLiteral("Address &books:"), this));
    all->addWidget(books);
    all->addLayout(made);
    all->addLayout(buttons);

    connect(find, &QPushButton::clicked, this, [this] {
        if (!connectServer())
            return;
        books->clear();
        for (const DavClient::Book& b : std::as_const(found_))
            books->addItem(b.name);
        books->setCurrentRow(0);
        link->setEnabled(!found_.isEmpty());
        create->setEnabled(true);
    });
    connect(link, &QPushButton::clicked, this, [this] {
        const int row = books->currentRow();
        if (row >= 0 && row < found_.size())
            linkTo(found_.at(row));
    });
    connect(create, &QPushButton::clicked, this, [this] {
        const QString name = newBook->text().trimmed();
        if (name.isEmpty()) {
            MsgBox::show(QStringLiteral("Type a name for the new address book."),
                         MsgBox::Buttons::Ok, MsgBox::Icon::Exclamation);
            return;
        }
        DavClient::Book book;
        if (talking([&] { book = client_->createBook(name); }))
            linkTo(book);
    });
    connect(cancel, &QPushButton::clicked, this, &QDialog::reject);
    connect(server, &QLineEdit::textEdited, this, [this] {
        client_.reset();
        link->setEnabled(false);
        create->setEnabled(false);
    });
}

void frmSync::buildLinked() {
    Database db(listPath_);
    const SyncStore::Link l = *ListLink::linkOf(db);
    linkInfo = new QLabel(this);
    linkInfo->setObjectName(QStringLiteral("linkInfo"));
    const QDateTime last = QDateTime::fromString(l.lastSync, Qt::ISODate);
    linkInfo->setText(QStringLiteral("This list is linked to the address book %1\nas %2.\n%3")
                          .arg(l.book, l.user,
                               last.isValid() ? QStringLiteral("Last synced %1.")
                                                    .arg(QLocale().toString(last.toLocalTime(),
                                                                            QLocale::ShortFormat))
                                              : QStringLiteral("Not synced yet.")));
    linkInfo->setTextInteractionFlags(Qt::TextSelectableByMouse);
    syncNow = new QPushButton(QStringLiteral("Sync &Now"), this);
    syncNow->setObjectName(QStringLiteral("syncNow"));
    unlink = new QPushButton(QStringLiteral("&Unlink"), this);
    unlink->setObjectName(QStringLiteral("unlink"));
    auto* close = new QPushButton(QStringLiteral("Close"), this);
    auto* buttons = new QHBoxLayout;
    buttons->addWidget(syncNow);
    buttons->addWidget(unlink);
    buttons->addStretch();
    buttons->addWidget(close);
    auto* all = new QVBoxLayout(this);
    all->addWidget(linkInfo);
    all->addLayout(buttons);
    connect(syncNow, &QPushButton::clicked, this, [this] {
        accept();
        sync_.syncNow(true);
    });
    connect(unlink, &QPushButton::clicked, this, [this, l] {
        if (MsgBox::show(QStringLiteral("Unlink this list from its address book? The contacts stay "
                                        "in the list and on the server."),
                         MsgBox::Buttons::YesNo, MsgBox::Icon::Question) != MsgBox::Answer::Yes)
            return;
        sync_.releaseList();
        try {
            Database list(listPath_);
            ListLink::unlink(list);
            Passwords::forget(Passwords::keyFor(l.server, l.user));
        } catch (const RunError& e) {
            MsgBox::show(e.failureMessage(), MsgBox::Buttons::Ok, MsgBox::Icon::Critical);
        }
        accept();
        sync_.refill();
        sync_.showLinkState();
    });
    connect(close, &QPushButton::clicked, this, &QDialog::accept);
}

template <class Fn> bool frmSync::talking(Fn&& fn) {
    setEnabled(false);
    bool ok = false;
    try {
        fn();
        ok = true;
    } catch (const DavError& e) {
        MsgBox::show(e.message(), MsgBox::Buttons::Ok, MsgBox::Icon::Exclamation);
    } catch (const RunError& e) {
        MsgBox::show(e.failureMessage(), MsgBox::Buttons::Ok, MsgBox::Icon::Critical);
    }
    setEnabled(true);
    return ok;
}

bool frmSync::connectServer() {
    const QUrl url = ListLink::serverUrl(server->text());
    if (server->text().trimmed().isEmpty() || !url.isValid() || url.host().isEmpty()) {
        MsgBox::show(QStringLiteral("Type the server's address, a host name or any address on it."),
                     MsgBox::Buttons::Ok, MsgBox::Icon::Exclamation);
        return false;
    }
    if (ListLink::isPlainRemote(url) &&
        MsgBox::show(
            QStringLiteral("The address begins with http://: the password and the contacts "
                           "would travel unencrypted to %1. Go on all the same?")
                .arg(url.host()),
            MsgBox::Buttons::OkCancel, MsgBox::Icon::Exclamation) != MsgBox::Answer::Ok)
        return false;
    for (;;) {
        client_ = std::make_unique<DavClient>(
            DavAccount{url, user->text(), password->text(), fingerprint_, 30000});
        setEnabled(false);
        try {
            found_ = client_->findBooks();
            setEnabled(true);
            return true;
        } catch (const DavError& e) {
            setEnabled(true);
            if (e.kind() == DavError::Kind::UntrustedCertificate &&
                fingerprint_ != e.fingerprint() &&
                MsgBox::show(e.message() +
                                 QStringLiteral("\r\n\r\nTrust this certificate for this server?"),
                             MsgBox::Buttons::YesNo, MsgBox::Icon::Exclamation, QString(),
                             MsgBox::Answer::No) == MsgBox::Answer::Yes) {
                fingerprint_ = e.fingerprint();
                continue;
            }
            if (e.kind() != DavError::Kind::UntrustedCertificate)
                MsgBox::show(e.message(), MsgBox::Buttons::Ok, MsgBox::Icon::Exclamation);
            client_.reset();
            return false;
        }
    }
}

void frmSync::linkTo(const DavClient::Book& book) {
    sync_.releaseList();
    const bool linked = talking([&] {
        Database db(listPath_);
        ListLink::keep(db, *client_, book);
    });
    if (!linked) {
        sync_.refill();
        return;
    }
    Passwords::write(Passwords::keyFor(client_->account().server.toString(), user->text()),
                     password->text());
    accept();
    sync_.showLinkState();
    sync_.syncNow(true);
}
