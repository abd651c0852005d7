#pragma once
#include <QPlainTextEdit>

class QTextBlock;
class QTextCursor;

// A multi-line text box that stays quick with texts of many megabytes. The box
// lays out each paragraph of its document whole, and that costs time in
// proportion to the paragraph's length, so a line far longer than a window
// shows is held as several paragraphs of a few thousand characters, and only
// the ones in view are laid out. Where one piece of a line ends the next goes
// on: the text read back, copied or stored is the text put in and typed, and
// the keys step, select and delete over a piece's end as over any character.
class NoteBox : public QPlainTextEdit {
    Q_OBJECT
public:
    explicit NoteBox(QWidget* parent = nullptr);

    // Puts a text in, showing its start, with nothing to undo.
    void setNote(const QString& text);
    // The text as it stands; line breaks read "\n".
    QString note() const;

protected:
    void keyPressEvent(QKeyEvent* e) override;
    void inputMethodEvent(QInputMethodEvent* e) override;
    void mousePressEvent(QMouseEvent* e) override;
    void mouseDoubleClickEvent(QMouseEvent* e) override;
    void dropEvent(QDropEvent* e) override;
    void contextMenuEvent(QContextMenuEvent* e) override;
    QMimeData* createMimeDataFromSelection() const override;
    void insertFromMimeData(const QMimeData* source) override;

private:
    class Edit;
    void breakLine();
    void joinEmptyPiece();
    void setContinues(const QTextBlock& block, bool on);
    void selectInPlace(const QTextCursor& cursor);
    QString textBetween(int from, int to) const;
    static void insertText(QTextCursor& cursor, QStringView text);

    // Where the user's edit under way began changing the text, and whether the
    // paragraphs at and before the cursor went on the line before them.
    int edits_ = 0;
    int changedFrom_ = -1;
    QList<std::pair<int, bool>> continuedBefore_;
};
