// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
#include <QItemSelectionModel>

// The selection rule of a single-selection list box: Ctrl with a click or the
// space bar never takes the highlight off the selected entry.
inline QItemSelectionModel::SelectionFlags
neverDeselect(QItemSelectionModel::SelectionFlags command) {
    return command.testFlag(QItemSelectionModel::Deselect) ? QItemSelectionModel::NoUpdate
                                                           : command;
}
