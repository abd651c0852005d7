// SPDX-License-Identifier: GPL-3.0-or-later
#include "NoteBox.h"

#include <QGuiApplication>
#include <QTextCursor>
#include <QTextDocument>

namespace {
// A run without blanks longer than this makes the box wrap anywhere: wrapping
// such a run at word boundaries first costs the layout time growing with the
// square of its length (a one-line note of a megabyte would freeze the window).
constexpr qsizetype longestWordWrapped = 1000;
// Putting in a longer text takes long enough to show the busy pointer.
constexpr qsizetype longToPutIn = 1024 * 1024;

bool hasLongRun(QStringView text) {
    qsizetype run = 0;
    for (const QChar c : text) {
        run = c.isSpace() ? 0 : run + 1;
        if (run > longestWordWrapped)
            return true;
    }
    return false;
}
} // namespace

NoteBox::NoteBox(QWidget* parent) : QPlainTextEdit(parent) {
    // An edit that makes a long run switches the wrapping before the edited
    // text is laid out. Only a run through the edited text can be new.
    connect(document(), &QTextDocument::contentsChange, this, [this](int from, int, int added) {
        if (wordWrapMode() == QTextOption::WrapAnywhere)
            return;
        QTextCursor around(document());
        around.setPosition(qMax(0, from - int(longestWordWrapped) - 1));
        around.setPosition(
            qMin(from + added + int(longestWordWrapped) + 1, document()->characterCount() - 1),
            QTextCursor::KeepAnchor);
        if (hasLongRun(around.selectedText()))
            setWordWrapMode(QTextOption::WrapAnywhere);
    });
}

void NoteBox::setNote(const QString& text) {
    const bool slow = text.size() > longToPutIn;
    if (slow)
        QGuiApplication::setOverrideCursor(Qt::WaitCursor);
    // Wrapping anywhere is chosen before the text goes in, wrapping at words
    // after, so that no long run is ever laid out wrapping at words.
    if (hasLongRun(text)) {
        setWordWrapMode(QTextOption::WrapAnywhere);
        setPlainText(text);
    } else {
        setPlainText(text);
        setWordWrapMode(QTextOption::WrapAtWordBoundaryOrAnywhere);
    }
    if (slow)
        QGuiApplication::restoreOverrideCursor();
}

QString NoteBox::note() const {
    // The raw text: the platform's plain text reads a no-break space as a blank.
    return document()
        ->toRawText()
        .replace(QChar::ParagraphSeparator, u'\n')
        .replace(QChar::LineSeparator, u'\n');
}
