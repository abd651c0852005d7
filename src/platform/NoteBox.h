// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
#include <QPlainTextEdit>

// A multi-line box for a stored text. It edits as every plain text box on the
// desktop does; only putting a text in and reading it out are its own.
class NoteBox : public QPlainTextEdit {
    Q_OBJECT
public:
    explicit NoteBox(QWidget* parent = nullptr);

    // Puts a text in, showing its start, with nothing to undo. Each of "\r\n",
    // "\r" and "\n" ends a line.
    void setNote(const QString& text);
    // The text as it stands: line breaks read "\n", a no-break space reads as one.
    QString note() const;
};
