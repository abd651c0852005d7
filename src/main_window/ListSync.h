// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "carddav_sync/SyncEngine.h"
#include "carddav_sync/SyncStore.h"

#include <QObject>
#include <QString>
#include <QTimer>
#include <optional>

class pList;
class QLabel;

// Keeps the main window's list in step with its address book, when it is
// linked: when the list is opened, every 15 minutes, on "Sync Now" and before
// the program exits (within a time limit). The window's status line says when
// the list last synced and what changed, or that the server could not be
// reached; the list box is refreshed afterwards, keeping the entry chosen.
class ListSync : public QObject {
    Q_OBJECT
public:
    static constexpr int IntervalMs = 15 * 60 * 1000;
    static constexpr int ExitLimitMs = 8000;

    explicit ListSync(pList& window);

    // The window shows a list now; a linked list not shown before is synced.
    void listShown(const QString& path);
    // Syncs the list now. Failures are reported in the status line; with
    // tellUser, in a message box too. Returns false when the sync failed.
    bool syncNow(bool tellUser);
    // The last sync before the program ends: never waits longer than the limit.
    void beforeExit();
    // The password for the link: the keyring's, or asked once for this run.
    QString passwordFor(const SyncStore::Link& link, bool mayAsk);
    // What the status line says.
    QString statusText() const;
    bool running() const { return running_; }
    // While the link is being looked at or changed, no sync starts by itself.
    void setPaused(bool paused) { paused_ = paused; }
    // Shows or hides the status line for the list shown.
    void showLinkState();
    // The window lets go of the list (storing a changed contact first) so that
    // the link can be written; refilled afterwards, keeping the entry chosen.
    void releaseList();
    void refill();

private:
    bool run(bool tellUser, int timeoutMs, QDeadlineTimer deadline, bool refresh);
    void say(const QString& text);
    pList& window_;
    QTimer timer_;
    QString shownPath_;
    QLabel* status_ = nullptr;
    bool running_ = false;
    bool paused_ = false;
    QString chosen_;
};
