#include "PickListBox.h"

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
    const auto command = QListWidget::selectionCommand(index, event);
    return command.testFlag(QItemSelectionModel::Deselect) ? QItemSelectionModel::NoUpdate
                                                           : command;
}
