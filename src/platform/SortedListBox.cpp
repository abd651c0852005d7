// SPDX-License-Identifier: GPL-3.0-or-later
#include "SortedListBox.h"

#include "SingleSelection.h"
#include "Twips.h"

#include <QMouseEvent>
#include <QTimer>

SortedListBox::SortedListBox(QWidget* parent)
    : QListView(parent), model_(new SortedStringModel(this)) {
    setModel(model_);
    setUniformItemSizes(true);
    setSelectionMode(QAbstractItemView::SingleSelection);
    setEditTriggers(QAbstractItemView::NoEditTriggers);
    connect(selectionModel(), &QItemSelectionModel::currentChanged, this,
            [this](const QModelIndex& current) { currentRowChanged(current); });
}

void SortedListBox::addItem(const QString& entry) {
    model_->add(entry);
    scheduleFlush();
}

void SortedListBox::addItemUtf8(QByteArrayView entry) {
    model_->addUtf8(entry);
    scheduleFlush();
}

// The view shows new entries once the work in hand is done.
void SortedListBox::scheduleFlush() {
    if (!flushQueued_) {
        flushQueued_ = true;
        QTimer::singleShot(0, this, [this] { flush(); });
    }
}

void SortedListBox::flush() {
    flushQueued_ = false;
    if (!model_->hasPending())
        return;
    const int row = lastRow_;
    silent_ = true;
    const int kept = model_->flush(row);
    if (kept >= 0)
        setCurrentIndex(model_->index(kept));
    lastRow_ = kept;
    silent_ = false;
}

void SortedListBox::clear() {
    silent_ = true;
    model_->clear();
    lastRow_ = -1;
    silent_ = false;
}

int SortedListBox::listCount() {
    flush();
    return model_->count();
}

QString SortedListBox::list(int index) {
    flush();
    return model_->entry(index);
}

int SortedListBox::listIndex() {
    flush();
    return lastRow_;
}

void SortedListBox::setListIndex(int index) {
    flush();
    if (index < 0 || index >= model_->count()) {
        const bool changed = lastRow_ != -1;
        silent_ = true;
        selectionModel()->clear();
        silent_ = false;
        lastRow_ = -1;
        if (changed)
            emit clicked();
        return;
    }
    setCurrentIndex(model_->index(index));
}

QString SortedListBox::text() {
    const int row = listIndex();
    return row < 0 ? QString() : model_->entry(row);
}

void SortedListBox::currentRowChanged(const QModelIndex& current) {
    if (silent_)
        return;
    const int row = current.isValid() ? current.row() : -1;
    if (row == lastRow_)
        return;
    lastRow_ = row;
    if (row >= 0)
        selectionModel()->select(current, QItemSelectionModel::ClearAndSelect);
    emit clicked();
}

void SortedListBox::mousePressEvent(QMouseEvent* event) {
    const QPoint p = event->position().toPoint();
    emit mouseDown(event->button(), event->modifiers(),
                   QPoint(Twips::toTwips(p.x()), Twips::toTwips(p.y())));
    // Only the left button selects.
    if (event->button() != Qt::LeftButton) {
        event->accept();
        return;
    }
    QListView::mousePressEvent(event);
}

bool SortedListBox::viewportEvent(QEvent* event) {
    // The right button acts through mouseDown() only: no context menu event, no
    // selection change.
    if (event->type() == QEvent::ContextMenu) {
        event->accept();
        return true;
    }
    return QListView::viewportEvent(event);
}

// The view would make the first entry current when the focus arrives; with
// nothing selected the list stays so until the user picks an entry.
void SortedListBox::focusInEvent(QFocusEvent* event) {
    silent_ = true;
    QListView::focusInEvent(event);
    if (lastRow_ < 0 && currentIndex().isValid())
        selectionModel()->setCurrentIndex(QModelIndex(), QItemSelectionModel::NoUpdate);
    silent_ = false;
}

QItemSelectionModel::SelectionFlags SortedListBox::selectionCommand(const QModelIndex& index,
                                                                    const QEvent* event) const {
    return neverDeselect(QListView::selectionCommand(index, event));
}
