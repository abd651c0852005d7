// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
#include <QString>

#include <memory>

class QProgressDialog;
class QWidget;

// While a piece of work runs: the busy pointer, and, once the work counts
// thousands of items and has run for about a second, a progress window beside
// the window that started it. Short work shows no window at all.
class BusyProgress {
public:
    // Fewer items than this never get a progress window.
    static constexpr qsizetype LongWork = 2000;

    // Work of fewer than longWork items never shows a window; work whose steps
    // are slow (a request each) may show one for a few items.
    BusyProgress(QWidget* owner, QString label, qsizetype longWork = LongWork);
    ~BusyProgress();
    BusyProgress(const BusyProgress&) = delete;
    BusyProgress& operator=(const BusyProgress&) = delete;

    // Cheap to call for every item: the window is touched about a hundred times in
    // all. The total may grow as the work finds more to do.
    void step(qsizetype done, qsizetype total);

    // How long work runs before its progress window appears (about a second).
    static void setShowAfterMs(int ms);

private:
    QWidget* m_owner;
    QString m_label;
    qsizetype m_longWork;
    std::unique_ptr<QProgressDialog> m_dialog;
    qsizetype m_nextUpdate = 0;
};
