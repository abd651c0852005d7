// SPDX-License-Identifier: GPL-3.0-or-later
#include "outlook_import/BusyProgress.h"

#include <QApplication>
#include <QProgressDialog>

#include <algorithm>

namespace {
int showAfterMs = 1000;
}

BusyProgress::BusyProgress(QWidget* owner, QString label, qsizetype longWork)
    : m_owner(owner), m_label(std::move(label)), m_longWork(longWork) {
    QApplication::setOverrideCursor(Qt::WaitCursor);
}

BusyProgress::~BusyProgress() {
    m_dialog.reset();
    QApplication::restoreOverrideCursor();
}

void BusyProgress::step(qsizetype done, qsizetype total) {
    if (total < m_longWork || (done < m_nextUpdate && m_dialog && m_dialog->maximum() == total))
        return;
    if (!m_dialog) {
        m_dialog = std::make_unique<QProgressDialog>(m_label, QString(), 0, int(total), m_owner,
                                                     Qt::Dialog);
        // Modal, so the repaints it lets through cannot bring in a click.
        m_dialog->setWindowModality(Qt::ApplicationModal);
        m_dialog->setMinimumDuration(showAfterMs);
        m_dialog->setAutoClose(false);
        m_dialog->setAutoReset(false);
        m_dialog->setValue(0);
    }
    m_dialog->setMaximum(int(total));
    m_dialog->setValue(int(std::min(done, total)));
    m_nextUpdate = done + std::max<qsizetype>(1, total / 100);
}

void BusyProgress::setShowAfterMs(int ms) {
    showAfterMs = ms;
}
