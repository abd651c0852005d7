// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
#include <QString>

class DataControl;
class NoteBox;
class QLineEdit;

// A window's text fields bound to a data control: each shows its field of the
// current record, and typing in it marks the record changed.
namespace BoundFields {
void bind(DataControl& data, QLineEdit* field, const QString& fieldName);
void bind(DataControl& data, NoteBox* field, const QString& fieldName);
// What the data control must tell the user at once (a refused store, a list
// open for reading only) is shown in a message box.
void reportInMessageBoxes(DataControl& data);
} // namespace BoundFields
