// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
#include <QListWidget>

// A single-selection list box of the list dialogs: the keyboard selects what it
// moves to, as the mouse does; the focus arriving selects nothing and marks no
// entry; a click or the space bar never takes the highlight off the selected entry.
class PickListBox : public QListWidget {
    Q_OBJECT
public:
    explicit PickListBox(QWidget* parent = nullptr);

protected:
    void focusInEvent(QFocusEvent* event) override;
    QItemSelectionModel::SelectionFlags selectionCommand(const QModelIndex& index,
                                                         const QEvent* event) const override;
};
