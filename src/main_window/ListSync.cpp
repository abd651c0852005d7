// SPDX-License-Identifier: GPL-3.0-or-later
#include "ListSync.h"

#include "carddav_sync/ListLink.h"
#include "carddav_sync/Passwords.h"
#include "main_window/pList.h"
#include "outlook_import/BusyProgress.h"
#include "platform/Database.h"
#include "platform/MsgBox.h"
#include "platform/NoteBox.h"
#include "platform/RunError.h"

#include <QDateTime>
#include <QInputDialog>
#include <QLabel>
#include <QLineEdit>
#include <QLocale>
#include <QMenuBar>
#include <QStatusBar>

namespace {
QString timeOf(const QString& iso) {
    const QDateTime t = QDateTime::fromString(iso, Qt::ISODate);
    return t.isValid() ? QLocale().toString(t.toLocalTime(), QLocale::ShortFormat) : QString();
}
QSet<QString>& askedThisRun() {
    static QSet<QString> keys;
    return keys;
}
} // namespace

ListSync::ListSync(pList& window) : QObject(&window), window_(window) {
    timer_.setInterval(IntervalMs);
    connect(&timer_, &QTimer::timeout, this, [this] { syncNow(false); });
}

QString ListSync::statusText() const {
    return status_ ? status_->text() : QString();
}

void ListSync::say(const QString& text) {
    if (!status_) {
        status_ = new QLabel(&window_);
        status_->setObjectName(QStringLiteral("syncStatus"));
        window_.statusBar()->addWidget(status_, 1);
    }
    status_->setText(text);
    window_.statusBar()->show();
}

void ListSync::showLinkState() {
    std::optional<SyncStore::Link> link;
    try {
        Database db(window_.Data1->databaseName());
        link = ListLink::linkOf(db);
    } catch (const RunError&) {
    }
    if (!link) {
        timer_.stop();
        if (status_)
            window_.statusBar()->hide();
        return;
    }
    if (!timer_.isActive())
        timer_.start();
    if (statusText().isEmpty() || !window_.statusBar()->isVisible())
        say(link->lastSync.isEmpty()
                ? QStringLiteral("Not synced yet")
                : QStringLiteral("Last synced %1").arg(timeOf(link->lastSync)));
}

void ListSync::listShown(const QString& path) {
    if (running_ || path == shownPath_)
        return;
    shownPath_ = path;
    if (status_)
        status_->clear();
    showLinkState();
    // After the handler that opened the list has finished with it.
    if (timer_.isActive())
        QTimer::singleShot(0, this, [this, path] {
            if (window_.Data1->databaseName() == path)
                syncNow(false);
        });
}

QString ListSync::passwordFor(const SyncStore::Link& link, bool mayAsk) {
    const QString key = Passwords::keyFor(link.server, link.user);
    QString password = Passwords::read(key);
    if (password.isEmpty() && mayAsk && !askedThisRun().contains(key)) {
        askedThisRun().insert(key);
        bool ok = false;
        password = QInputDialog::getText(
            &window_, MsgBox::applicationTitle(),
            QStringLiteral("Password of %1 on %2:").arg(link.user, QUrl(link.server).host()),
            QLineEdit::Password, QString(), &ok);
        if (ok)
            Passwords::write(key, password);
    }
    return password;
}

bool ListSync::syncNow(bool tellUser) {
    return run(tellUser, 30000, QDeadlineTimer(QDeadlineTimer::Forever), true);
}

void ListSync::beforeExit() {
    timer_.stop();
    run(false, ExitLimitMs / 4, QDeadlineTimer(ExitLimitMs), false);
}

bool ListSync::run(bool tellUser, int timeoutMs, QDeadlineTimer deadline, bool refresh) {
    if (running_ || (paused_ && !tellUser))
        return false;
    const QString path = window_.Data1->databaseName();
    std::optional<SyncStore::Link> link;
    try {
        Database db(path);
        link = ListLink::linkOf(db);
    } catch (const RunError&) {
        return false;
    }
    if (!link)
        return false;
    const QString password = passwordFor(*link, refresh);
    running_ = true;
    // Nothing is typed meanwhile.
    releaseList();
    window_.centralWidget()->setEnabled(false);
    window_.menuBar()->setEnabled(false);
    say(QStringLiteral("Syncing with the address book..."));
    QString failure;
    SyncEngine::Result result;
    try {
        Database db(path);
        DavAccount account = ListLink::accountOf(*link, password, timeoutMs);
        account.deadline = deadline;
        DavClient client(account);
        // Each step is a request: a sync of a few dozen cards may take long.
        BusyProgress busy(&window_, QStringLiteral("Syncing with the address book..."), 1);
        result = SyncEngine(db, client).run([&](int done, int total) {
            busy.step(done, total);
            if (total > 50)
                say(QStringLiteral("Syncing with the address book: %1 of %2...")
                        .arg(done)
                        .arg(total));
        });
    } catch (const DavError& e) {
        failure = e.kind() == DavError::Kind::Unreachable
                      ? QStringLiteral("The server could not be reached")
                      : e.message();
        if (tellUser)
            MsgBox::show(e.message(), MsgBox::Buttons::Ok, MsgBox::Icon::Exclamation);
    } catch (const RunError& e) {
        failure = e.failureMessage();
        if (tellUser)
            MsgBox::show(e.failureMessage(), MsgBox::Buttons::Ok, MsgBox::Icon::Critical);
    }
    window_.centralWidget()->setEnabled(true);
    window_.menuBar()->setEnabled(true);
    running_ = false;
    QString lastSync;
    try {
        Database db(path);
        if (const auto now = ListLink::linkOf(db))
            lastSync = timeOf(now->lastSync);
    } catch (const RunError&) {
    }
    if (failure.isEmpty()) {
        QString text = QStringLiteral("Last synced %1: %2 received, %3 sent")
                           .arg(lastSync)
                           .arg(result.received)
                           .arg(result.sent);
        if (result.conflicts > 0)
            text += QStringLiteral(", %1 conflicts kept").arg(result.conflicts);
        say(text);
    } else {
        say(lastSync.isEmpty() ? failure
                               : QStringLiteral("%1; last synced %2").arg(failure, lastSync));
    }
    if (refresh)
        refill();
    return failure.isEmpty();
}

void ListSync::releaseList() {
    chosen_ = window_.List1->text();
    window_.Data1->close();
    // What the fields show was stored; left there, it would be taken for a
    // contact typed while no list was open.
    for (QLineEdit* field : {window_.Text1, window_.Text11, window_.Text7, window_.Text12,
                             window_.Text8, window_.Text9, window_.Text10, window_.Text6,
                             window_.Text2, window_.Text3, window_.Text4})
        field->clear();
    window_.Text5->setNote(QString());
}

void ListSync::refill() {
    window_.Refresh_Click(0);
    for (int i = 0; !chosen_.isEmpty() && i < window_.List1->listCount(); ++i)
        if (window_.List1->list(i) == chosen_) {
            window_.List1->setListIndex(i);
            break;
        }
}
