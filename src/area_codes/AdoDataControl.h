// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
#include <QString>
#include <QWidget>

class DataControl;
class QLabel;
class QLineEdit;
class NoteBox;
class QToolButton;
class Recordset;

// The area code window's data source: a connection text naming the database
// file, a record source, the records it selects, and a navigation bar showing
// a caption between its first/previous and next/last buttons. The records are
// the platform's data control's, so bound fields, the storing rule and the
// engine are shared with the rest of the program.
//
// Operations the program calls throw RunError to their caller. Failures of the
// data source's own operations (the navigation bar) are sent as the error
// notification; unless a handler sets the out-flag the data source then shows
// the description in a message box of its own.
class AdoDataControl : public QWidget {
    Q_OBJECT
public:
    explicit AdoDataControl(QWidget* parent = nullptr);
    ~AdoDataControl() override;

    QString connectionString() const { return connectionString_; }
    // Takes effect at the next refresh.
    void setConnectionString(const QString& text);
    // The file the connection names: its "Data Source" with the Windows
    // separator read as a folder separator.
    QString databasePath() const;
    QString recordSource() const;
    void setRecordSource(const QString& source);
    QString caption() const;
    void setCaption(const QString& text);

    // Stores an edited current record, runs the record source again and makes
    // the first record current. On failure the records open before stay open.
    void refresh();
    bool hasRecordset() const;
    // Throws RunError 91 before the first successful refresh.
    Recordset& recordset();
    // Commits the pending changes of the record set (only the current record
    // can hold any: leaving a record stores it).
    void updateBatch();
    // Stores an edited current record and lets go of the database file.
    void close();

    void bind(QLineEdit* field, const QString& fieldName);
    void bind(NoteBox* field, const QString& fieldName);

    // The navigation bar's buttons.
    QToolButton* firstButton() const { return first_; }
    QToolButton* previousButton() const { return previous_; }
    QToolButton* nextButton() const { return next_; }
    QToolButton* lastButton() const { return last_; }
    QLabel* captionLabel() const { return caption_; }

signals:
    // The current record changed (move, refresh, add, find, delete).
    void moveComplete();
    // One of the data source's own operations failed. Setting *cancelDisplay
    // keeps the data source from showing its own message.
    void error(int number, const QString& description, bool* cancelDisplay);

private:
    enum class Move { First, Previous, Next, Last };
    void navigate(Move move);
    void raiseError(int number, const QString& description);

    QString connectionString_;
    DataControl* data_ = nullptr;
    QToolButton* first_ = nullptr;
    QToolButton* previous_ = nullptr;
    QToolButton* next_ = nullptr;
    QToolButton* last_ = nullptr;
    QLabel* caption_ = nullptr;
};

namespace AdoConnection {
// The value of one key ("Data Source") of a connection text; empty when absent.
QString value(const QString& connection, const QString& key);
} // namespace AdoConnection
