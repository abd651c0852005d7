// SPDX-License-Identifier: GPL-3.0-or-later
#include "PickListBox.h"

#include "platform/SingleSelection.h"

PickListBox::PickListBox(QWidget* parent) : QListWidget(parent) {
    setSelectionMode(QAbstractItemView::SingleSelection);
}

// The view would mark the first entry as current without selecting it: shown
// highlighted, yet Home would not select it, as it moves nowhere.
void PickListBox::focusInEvent(QFocusEvent* event) {
    QListWidget::focusInEvent(event);
    if (selectedItems().isEmpty())
        selectionModel()->setCurrentIndex(QModelIndex(), QItemSelectionModel::NoUpdate);
}

QItemSelectionModel::SelectionFlags PickListBox::selectionCommand(const QModelIndex& index,
                                                                  const QEvent* event) const {
    return neverDeselect(QListWidget::selectionCommand(index, event));
}
