// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
#include <QByteArrayView>
#include <QHash>
#include <QString>
#include <QStringList>
#include <QVariant>
#include <QVector>
#include <functional>
#include <memory>
#include <vector>

class Database;
namespace SQLite {
class Statement;
}

// An updatable set of records from a record source: a table name ("pName2") or
// a select statement ("select * from pName2 where pName='x'"). Records come in
// table order. The set is a cursor over the table, not a copy of it: opening it
// reads no rows, and each move reads one.
//
// Leaving a changed record stores it (the storing rule): an existing record is
// updated, a new one appended; a new record that was never changed is dropped.
// A refused store throws and leaves the record current with its changes. A
// numeric column takes a number or nothing (empty text stores null); any other
// text is refused with 13 (type mismatch) before anything is written.
class Recordset {
public:
    // Throws RunError: 3078 unknown table, 3131 a source that is neither a table
    // nor a select on one, 3075 a condition the engine rejects.
    Recordset(Database& db, const QString& source);
    ~Recordset();
    Recordset(const Recordset&) = delete;
    Recordset& operator=(const Recordset&) = delete;
    // A data control re-opens its records in place, so references stay valid.
    Recordset& operator=(Recordset&&) noexcept;

    // Goes on with the same records and pending edit over another connection
    // to the same file (the old one may then be closed).
    void moveTo(Database& db);

    const QString& source() const { return source_; }
    const QString& table() const { return table_; }

    bool isBOF() const;
    bool isEOF() const;
    // On a record (existing or new) whose fields can be read.
    bool hasCurrent() const;
    bool isNew() const { return pos_ == Pos::New; }
    // The changed flag of the current record.
    bool isDirty() const { return dirty_; }

    void moveFirst();
    void moveLast();
    void moveNext();
    void movePrevious();
    // Exact number of records the source selects.
    qint64 recordCount();
    // 1-based position of the current record; -1 unknown/new, -2 BOF, -3 EOF.
    qint64 absolutePosition();
    // Finds, from the current record forward and including it, the first record
    // meeting criterion (an expression such as "AreaCode = 201"); past the last
    // record when none does.
    void find(const QString& criterion);
    // Moves from the current record to past the last one, handing each record's
    // field to visit as UTF-8 text (null for a null value). Long walks such as
    // filling a list use it; it ends past the last record as moveNext would.
    // From the first record (or before it) every record is visited, in no set
    // order.
    void walkToEnd(int index, const std::function<void(QByteArrayView text, bool isNull)>& visit);

    QStringList fieldNames() const { return columns_; }
    // Index of a field by case-insensitive name; -1 when there is none.
    int fieldIndex(const QString& name) const;
    QVariant field(int index) const;
    QVariant field(const QString& name) const;
    // The field's value as text; empty for null.
    QString fieldText(const QString& name) const;
    // Changes a field of the current record (an edit until stored).
    void setField(int index, const QVariant& value);
    void setField(const QString& name, const QVariant& value);

    void addNew();
    // Stores the current record's changes now.
    void update();
    // Drops the current record's changes (a new record is dropped).
    void cancelUpdate();
    void deleteCurrent();
    // Stores a changed current record, as leaving it would.
    void storePending();

    // Called after the current record changed (moves, add new, find, delete).
    std::function<void()> onMoved;
    // Called when the engine refuses to store a record, before the failure is thrown.
    std::function<void(const class RunError&)> onStoreRefused;

private:
    enum class Pos { BOF, Row, EOF_, Deleted, New };
    struct Saved {
        Pos pos;
        qint64 rowid;
    };

    void leave();
    void stepTo(const QString& extraWhere, const QString& order, qint64 bound, bool useBound,
                Pos ifNone);
    void loadCache() const;
    void invalidateCursor();
    void moved();
    int checkedIndex(const QString& name) const;
    void checkFieldOfCurrent(int index) const;
    QString selectFrom(const QString& columns) const;
    QString whereWith(const QString& extra) const;
    [[noreturn]] void rethrow(const std::exception& e) const;
    bool noRecords() const;
    bool recordsBefore(qint64 rowid) const;
    bool anyRecord(const QString& extraWhere, qint64 bound) const;
    QHash<int, QVariant> typedEdits() const;
    void insertNew();
    void updateRow();

    Database* db_;
    QString source_;
    QString table_;
    QString condition_;
    QStringList columns_;
    QHash<QString, int> index_;
    QString columnList_;
    // Columns declared numeric (INT, REAL, NUMERIC ...): they take numbers only.
    QVector<bool> numeric_;

    Pos pos_ = Pos::BOF;
    qint64 rowid_ = 0;
    Saved beforeNew_{Pos::BOF, 0};
    std::unique_ptr<SQLite::Statement> cursor_;
    bool cursorOnRow_ = false;
    QStringList quotedColumns_;
    // Fields read on this walk (bit per field) and where the cursor carries them.
    mutable quint64 wanted_ = 0;
    quint64 cursorMask_ = 0;
    std::vector<int> cursorSlots_;
    mutable QVector<QVariant> cache_;
    mutable bool cached_ = false;
    QHash<int, QVariant> edits_;
    bool dirty_ = false;
};
