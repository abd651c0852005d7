#include "NoteBox.h"

#include <QContextMenuEvent>
#include <QKeyEvent>
#include <QMenu>
#include <QMimeData>
#include <QScrollBar>
#include <QTextBlock>
#include <QTextBoundaryFinder>
#include <QTextCursor>
#include <QTextDocument>

namespace {
// Set on a paragraph that goes on the line of the paragraph before it. A
// paragraph's format travels with the break in front of it, so deleting that
// break, undoing and redoing keep the mark right.
constexpr int continuesLine = QTextFormat::UserProperty + 1;

// Lines up to this length are held whole; longer ones are cut into pieces of
// about half of it. A piece lays out in a few milliseconds even where it has no
// blank to wrap at.
constexpr qsizetype longestWhole = 8192;
constexpr qsizetype pieceLength = longestWhole / 2;

// A paragraph format, marked as going on the line of the paragraph before or not.
QTextBlockFormat marked(QTextBlockFormat format, bool continued) {
    if (continued)
        format.setProperty(continuesLine, true);
    else
        format.clearProperty(continuesLine);
    return format;
}

bool continues(const QTextBlock& block) {
    return block.isValid() && block.blockFormat().boolProperty(continuesLine);
}

// Where a piece of line starting at `from` ends: after a blank in the last
// eighth of the piece when there is one, so the break falls where the line may
// wrap anyway; otherwise on the nearest boundary between characters as the
// user sees them (never inside a surrogate pair, an accent or an emoji).
qsizetype pieceEnd(QStringView line, qsizetype from) {
    const qsizetype end = from + pieceLength;
    for (qsizetype i = end; i > end - pieceLength / 8; --i)
        if (line[i - 1].isSpace())
            return i;
    constexpr qsizetype around = 32;
    QTextBoundaryFinder characters(QTextBoundaryFinder::Grapheme,
                                   line.mid(end - around, 2 * around));
    characters.setPosition(around);
    if (!characters.isAtBoundary())
        characters.toPreviousBoundary();
    return characters.position() > 0 ? end - around + characters.position() : end;
}

// The length of the line break at text[i], 0 when there is none. The document
// starts a new paragraph at each of these.
int breakAt(QStringView text, qsizetype i) {
    switch (text[i].unicode()) {
    case u'\r':
        return i + 1 < text.size() && text[i + 1] == u'\n' ? 2 : 1;
    case u'\n':
    case QChar::ParagraphSeparator:
    case 0xfdd0: // the document's own frame marks
    case 0xfdd1:
        return 1;
    default:
        return 0;
    }
}

bool inWord(QChar c) {
    return c.isLetterOrNumber() || c.isMark() || c == u'_';
}

bool hasLongLine(QStringView text) {
    qsizetype line = 0;
    for (qsizetype i = 0; i < text.size(); ++i) {
        line = breakAt(text, i) ? 0 : line + 1;
        if (line > longestWhole)
            return true;
    }
    return false;
}
} // namespace

// One edit by the user, from a key, a drop, a paste, an input method or the
// context menu. When it deletes a whole paragraph with the break after it, the
// document keeps the format of the paragraph after, which may wrongly turn the
// user's line break in front into the join of two pieces, or the other way
// round: the edit puts back the mark that paragraph had.
class NoteBox::Edit {
public:
    explicit Edit(NoteBox& box) : box_(box) {
        if (box_.edits_++ > 0)
            return;
        box_.changedFrom_ = -1;
        box_.continuedBefore_.clear();
        const QTextBlock at = box_.document()->findBlock(box_.textCursor().selectionStart());
        for (const QTextBlock& b : {at.previous(), at})
            if (b.isValid())
                box_.continuedBefore_.append({b.position(), continues(b)});
    }
    ~Edit() {
        if (--box_.edits_ > 0 || box_.changedFrom_ < 0)
            return;
        const QTextBlock now = box_.document()->findBlock(box_.changedFrom_);
        for (const auto& [position, continued] : box_.continuedBefore_)
            if (position == now.position() && continues(now) != continued)
                box_.setContinues(now, continued);
        box_.joinEmptyPiece();
    }
    Edit(const Edit&) = delete;
    Edit& operator=(const Edit&) = delete;

private:
    NoteBox& box_;
};

NoteBox::NoteBox(QWidget* parent) : QPlainTextEdit(parent) {
    connect(document(), &QTextDocument::contentsChange, this, [this](int from, int, int) {
        if (edits_ > 0)
            changedFrom_ = changedFrom_ < 0 ? from : qMin(changedFrom_, from);
    });
}

void NoteBox::setContinues(const QTextBlock& block, bool on) {
    QTextCursor cursor(block);
    cursor.joinPreviousEditBlock();
    cursor.setBlockFormat(marked(block.blockFormat(), on));
    cursor.endEditBlock();
}

void NoteBox::setNote(const QString& text) {
    if (!hasLongLine(text))
        return setPlainText(text);
    QTextDocument* doc = document();
    doc->setUndoRedoEnabled(false);
    clear();
    QTextCursor cursor(doc);
    cursor.beginEditBlock();
    insertText(cursor, text);
    cursor.endEditBlock();
    doc->setUndoRedoEnabled(true);
    setTextCursor(QTextCursor(doc));
}

QString NoteBox::note() const {
    return textBetween(0, document()->characterCount() - 1);
}

// The text from document position `from` up to `to`: a break between
// paragraphs reads "\n" unless the second goes on the line of the first.
QString NoteBox::textBetween(int from, int to) const {
    QString text;
    text.reserve(to - from);
    for (QTextBlock b = document()->findBlock(from); b.isValid() && b.position() <= to;
         b = b.next()) {
        if (b.position() > from && !continues(b))
            text += u'\n';
        const int start = qMax(from, b.position()) - b.position();
        const int end = qMin(to, b.position() + b.length() - 1) - b.position();
        text += QStringView(b.text()).mid(start, end - start);
    }
    return text.replace(QChar::LineSeparator, u'\n');
}

// Inserts text at the cursor: a line break begins a paragraph, a long line goes
// in as pieces that continue each other.
void NoteBox::insertText(QTextCursor& cursor, QStringView text) {
    const QTextBlockFormat newLine = marked(cursor.blockFormat(), false);
    const QTextBlockFormat sameLine = marked(newLine, true);
    qsizetype start = 0;
    for (qsizetype i = 0;; ++i) {
        const int breakLength = i < text.size() ? breakAt(text, i) : 0;
        if (i < text.size() && breakLength == 0)
            continue;
        const QStringView line = text.mid(start, i - start);
        qsizetype from = 0;
        while (line.size() - from > longestWhole) {
            const qsizetype end = pieceEnd(line, from);
            cursor.insertText(line.mid(from, end - from).toString());
            cursor.insertBlock(sameLine);
            from = end;
        }
        cursor.insertText(line.mid(from).toString());
        if (i == text.size())
            return;
        cursor.insertBlock(newLine);
        i += breakLength - 1;
        start = i + 1;
    }
}

void NoteBox::keyPressEvent(QKeyEvent* e) {
    if (isReadOnly() || e->matches(QKeySequence::Undo) || e->matches(QKeySequence::Redo))
        return QPlainTextEdit::keyPressEvent(e);
    const Edit edit(*this);
    if (e->matches(QKeySequence::InsertParagraphSeparator))
        return breakLine();
    // A key that steps, selects or deletes one character or word back or on
    // steps first over the end of a piece, which is no character.
    using K = QKeySequence;
    const bool selects = e->matches(K::SelectPreviousChar) || e->matches(K::SelectNextChar) ||
                         e->matches(K::SelectPreviousWord) || e->matches(K::SelectNextWord);
    const bool back = e->matches(K::MoveToPreviousChar) || e->matches(K::SelectPreviousChar) ||
                      e->matches(K::MoveToPreviousWord) || e->matches(K::SelectPreviousWord) ||
                      e->matches(K::DeleteStartOfWord) || e->key() == Qt::Key_Backspace;
    const bool on = e->matches(K::MoveToNextChar) || e->matches(K::SelectNextChar) ||
                    e->matches(K::MoveToNextWord) || e->matches(K::SelectNextWord) ||
                    e->matches(K::DeleteEndOfWord) || e->matches(K::Delete);
    QTextCursor cursor = textCursor();
    if ((back || on) && (selects || !cursor.hasSelection())) {
        const auto mode = selects ? QTextCursor::KeepAnchor : QTextCursor::MoveAnchor;
        bool moved = false;
        while (back && cursor.atBlockStart() && continues(cursor.block()))
            moved = cursor.movePosition(QTextCursor::PreviousCharacter, mode);
        while (on && cursor.atBlockEnd() && continues(cursor.block().next()))
            moved = cursor.movePosition(QTextCursor::NextCharacter, mode);
        if (moved)
            setTextCursor(cursor);
    }
    QPlainTextEdit::keyPressEvent(e);
}

void NoteBox::inputMethodEvent(QInputMethodEvent* e) {
    const Edit edit(*this);
    QPlainTextEdit::inputMethodEvent(e);
}

void NoteBox::dropEvent(QDropEvent* e) {
    const Edit edit(*this);
    QPlainTextEdit::dropEvent(e);
}

// The menu is run here, so that its commands are edits like the keys'.
void NoteBox::contextMenuEvent(QContextMenuEvent* e) {
    QMenu* menu = createStandardContextMenu(e->pos());
    const Edit edit(*this);
    const QAction* chosen = menu->exec(e->globalPos());
    delete menu;
    // Undoing and redoing put the marks back themselves.
    if (chosen && (chosen->objectName() == QLatin1String("edit-undo") ||
                   chosen->objectName() == QLatin1String("edit-redo")))
        changedFrom_ = -1;
}

// A typed line break. At the start of a piece, the break in front of it becomes
// the user's: the text now breaks where the box already did.
void NoteBox::breakLine() {
    QTextCursor cursor = textCursor();
    cursor.beginEditBlock();
    cursor.removeSelectedText();
    const QTextBlockFormat newLine = marked(cursor.blockFormat(), false);
    if (cursor.atBlockStart() && continues(cursor.block())) {
        cursor.setBlockFormat(newLine);
        // The mark changed on purpose: the edit must not put the old one back.
        for (auto& [position, continued] : continuedBefore_)
            continued = continued && position != cursor.block().position();
    } else {
        cursor.insertBlock(newLine);
    }
    cursor.endEditBlock();
    setTextCursor(cursor);
    ensureCursorVisible();
}

// A piece emptied by an edit would show as an empty line that the text does
// not have: it is joined to its neighbour, in the same step to undo.
void NoteBox::joinEmptyPiece() {
    QTextCursor cursor = textCursor();
    const QTextBlock block = cursor.block();
    if (cursor.hasSelection() || block.length() > 1)
        return;
    const bool continuesBefore = continues(block);
    if (!continuesBefore && !continues(block.next()))
        return;
    cursor.joinPreviousEditBlock();
    if (continuesBefore) {
        cursor.deletePreviousChar();
    } else {
        // Deleting an empty paragraph's break keeps the next one's format.
        cursor.deleteChar();
        cursor.setBlockFormat(marked(cursor.blockFormat(), false));
    }
    cursor.endEditBlock();
    setTextCursor(cursor);
}

// A triple click selects the paragraph under the pointer, and with it its
// break; a line held in pieces is selected whole.
void NoteBox::mousePressEvent(QMouseEvent* e) {
    QPlainTextEdit::mousePressEvent(e);
    QTextCursor cursor = textCursor();
    if (!cursor.hasSelection())
        return;
    QTextBlock first = document()->findBlock(cursor.selectionStart());
    QTextBlock last = document()->findBlock(cursor.selectionEnd() - 1);
    const int lastEnd = last.position() + last.length() - 1;
    const bool withBreak = cursor.selectionEnd() == lastEnd + 1;
    const bool whole = cursor.selectionStart() == first.position() &&
                       (withBreak || cursor.selectionEnd() == lastEnd);
    if (!whole || (!continues(first) && !continues(last.next())))
        return;
    while (continues(first))
        first = first.previous();
    while (continues(last.next()))
        last = last.next();
    cursor.setPosition(first.position());
    const bool lineBreak = withBreak && last.next().isValid();
    cursor.setPosition(last.position() + last.length() - (lineBreak ? 0 : 1),
                       QTextCursor::KeepAnchor);
    selectInPlace(cursor);
}

// Selects without scrolling, so that the text under the pointer stays there
// for the next click.
void NoteBox::selectInPlace(const QTextCursor& cursor) {
    const int top = verticalScrollBar()->value();
    setTextCursor(cursor);
    verticalScrollBar()->setValue(top);
}

// A double click selects the word under the pointer, on both sides of a
// piece's end when the word runs on over it.
void NoteBox::mouseDoubleClickEvent(QMouseEvent* e) {
    QPlainTextEdit::mouseDoubleClickEvent(e);
    QTextCursor cursor = textCursor();
    if (!cursor.hasSelection())
        return;
    int from = cursor.selectionStart();
    int to = cursor.selectionEnd();
    for (QTextBlock b = document()->findBlock(from);
         from == b.position() && continues(b) && inWord(document()->characterAt(from));
         b = document()->findBlock(from)) {
        const QString before = b.previous().text();
        qsizetype start = before.size();
        while (start > 0 && inWord(before[start - 1]))
            --start;
        if (start == before.size())
            break;
        from = b.previous().position() + int(start);
    }
    for (QTextBlock b = document()->findBlock(to);
         to == b.position() + b.length() - 1 && continues(b.next()) &&
         inWord(document()->characterAt(to - 1));
         b = document()->findBlock(to)) {
        const QString after = b.next().text();
        qsizetype end = 0;
        while (end < after.size() && inWord(after[end]))
            ++end;
        if (end == 0)
            break;
        to = b.next().position() + int(end);
    }
    cursor.setPosition(from);
    cursor.setPosition(to, QTextCursor::KeepAnchor);
    selectInPlace(cursor);
}

QMimeData* NoteBox::createMimeDataFromSelection() const {
    const QTextCursor cursor = textCursor();
    auto* mime = new QMimeData;
    mime->setText(textBetween(cursor.selectionStart(), cursor.selectionEnd()));
    return mime;
}

void NoteBox::insertFromMimeData(const QMimeData* source) {
    if (isReadOnly() || !source->hasText())
        return;
    const Edit edit(*this);
    QTextCursor cursor = textCursor();
    cursor.beginEditBlock();
    cursor.removeSelectedText();
    insertText(cursor, source->text());
    cursor.endEditBlock();
    setTextCursor(cursor);
    ensureCursorVisible();
}
