// SPDX-License-Identifier: GPL-3.0-or-later
#include "Recordset.h"

#include "Database.h"
#include "RunError.h"
#include "SqlErrors.h"

#include <QRegularExpression>
#include <SQLiteCpp/SQLiteCpp.h>
#include <cmath>
#include <sqlite3.h>

namespace {
QString quoted(const QString& identifier) {
    QString q = identifier;
    q.replace(QLatin1Char('"'), QLatin1String("\"\""));
    return QLatin1Char('"') + q + QLatin1Char('"');
}

QVariant valueOf(const SQLite::Column& c) {
    switch (c.getType()) {
    case SQLITE_NULL:
        return QVariant();
    case SQLITE_INTEGER:
        return QVariant(static_cast<qlonglong>(c.getInt64()));
    case SQLITE_FLOAT:
        return QVariant(c.getDouble());
    default:
        return QString::fromUtf8(static_cast<const char*>(c.getBlob()), c.getBytes());
    }
}

void bindValue(SQLite::Statement& q, int index, const QVariant& v) {
    if (v.isNull() || !v.isValid()) {
        q.bind(index);
        return;
    }
    switch (v.typeId()) {
    case QMetaType::Int:
    case QMetaType::LongLong:
    case QMetaType::UInt:
    case QMetaType::ULongLong:
    case QMetaType::Bool:
        q.bind(index, static_cast<int64_t>(v.toLongLong()));
        return;
    case QMetaType::Double:
        q.bind(index, v.toDouble());
        return;
    default:
        q.bind(index, v.toString().toStdString());
    }
}

// Columns whose declared type gives them numeric affinity.
QStringList numericColumns(Database& db, const QString& table) {
    return db.guarded([&] {
        QStringList out;
        SQLite::Statement q(db.handle(), "SELECT name, upper(type) FROM pragma_table_info(?)");
        q.bind(1, table.toStdString());
        while (q.executeStep()) {
            const QString type = QString::fromStdString(q.getColumn(1).getString());
            const bool text = type.contains(QLatin1String("CHAR")) ||
                              type.contains(QLatin1String("CLOB")) ||
                              type.contains(QLatin1String("TEXT"));
            const bool blob = type.isEmpty() || type.contains(QLatin1String("BLOB"));
            if (type.contains(QLatin1String("INT")) || (!text && !blob))
                out << QString::fromStdString(q.getColumn(0).getString());
        }
        return out;
    });
}

// Refuses a text that holds more than one statement.
void checkSingleStatement(sqlite3* db, const QString& sql) {
    const QByteArray text = sql.toUtf8();
    sqlite3_stmt* stmt = nullptr;
    const char* tail = nullptr;
    const int rc =
        sqlite3_prepare_v2(db, text.constData(), static_cast<int>(text.size()), &stmt, &tail);
    sqlite3_finalize(stmt);
    if (rc != SQLITE_OK)
        throw fromSqliteCode(sqlite3_extended_errcode(db), QString::fromUtf8(sqlite3_errmsg(db)),
                             QString());
    if (tail && !QByteArray(tail).trimmed().isEmpty())
        throw RunError::of(ErrNo::SyntaxErrorInExpression, QString::fromUtf8(tail));
}
} // namespace

Recordset::Recordset(Database& db, const QString& source) : db_(&db), source_(source) {
    static const QRegularExpression tableOnly(
        QStringLiteral("^\\s*\\[?([A-Za-z_][\\w]*)\\]?\\s*$"));
    static const QRegularExpression select(
        QStringLiteral("^\\s*select\\s+(.+?)\\s+from\\s+\\[?([A-Za-z_][\\w]*)\\]?"
                       "(?:\\s+where\\s+(.*?))?\\s*;?\\s*$"),
        QRegularExpression::CaseInsensitiveOption | QRegularExpression::DotMatchesEverythingOption);
    QString columnsText = QStringLiteral("*");
    if (const auto m = tableOnly.match(source); m.hasMatch()) {
        table_ = m.captured(1);
    } else if (const auto s = select.match(source); s.hasMatch()) {
        columnsText = s.captured(1).trimmed();
        table_ = s.captured(2);
        condition_ = s.captured(3).trimmed();
    } else {
        throw RunError::of(ErrNo::SyntaxErrorInFrom);
    }
    if (!db.hasTable(table_))
        throw RunError::of(ErrNo::TableNotFound, table_);
    if (columnsText == QLatin1String("*")) {
        columns_ = db.columns(table_);
    } else {
        for (QString c : columnsText.split(QLatin1Char(','))) {
            c = c.trimmed();
            c = c.section(QLatin1Char('.'), -1);
            columns_ << c;
        }
    }
    const QStringList numericNames = numericColumns(db, table_);
    numeric_.fill(false, columns_.size());
    QStringList quotedColumns;
    for (int i = 0; i < columns_.size(); ++i) {
        numeric_[i] = numericNames.contains(columns_[i], Qt::CaseInsensitive);
        index_.insert(columns_[i].toLower(), i);
        quotedColumns << quoted(columns_[i]);
    }
    columnList_ = quotedColumns.join(QLatin1Char(','));
    quotedColumns_ = quotedColumns;
    try {
        checkSingleStatement(db.handle().getHandle(), selectFrom(columnList_) +
                                                          whereWith(QString()) +
                                                          QStringLiteral(" LIMIT 0"));
    } catch (const RunError&) {
        throw;
    } catch (const std::exception& e) {
        rethrow(e);
    }
    // Opening makes the first record current.
    stepTo(QString(), QStringLiteral("rowid"), 0, false, Pos::EOF_);
}

Recordset::~Recordset() = default;

Recordset& Recordset::operator=(Recordset&& other) noexcept {
    cursor_.reset();
    db_ = other.db_;
    source_ = std::move(other.source_);
    table_ = std::move(other.table_);
    condition_ = std::move(other.condition_);
    columns_ = std::move(other.columns_);
    index_ = std::move(other.index_);
    columnList_ = std::move(other.columnList_);
    numeric_ = std::move(other.numeric_);
    pos_ = other.pos_;
    rowid_ = other.rowid_;
    beforeNew_ = other.beforeNew_;
    cursor_ = std::move(other.cursor_);
    cursorOnRow_ = other.cursorOnRow_;
    quotedColumns_ = std::move(other.quotedColumns_);
    cursorSlots_ = std::move(other.cursorSlots_);
    wanted_ = other.wanted_;
    cursorMask_ = other.cursorMask_;
    cache_ = std::move(other.cache_);
    cached_ = other.cached_;
    edits_ = std::move(other.edits_);
    dirty_ = other.dirty_;
    return *this;
}

void Recordset::moveTo(Database& db) {
    invalidateCursor();
    db_ = &db;
}

void Recordset::rethrow(const std::exception& e) const {
    if (auto run = dynamic_cast<const RunError*>(&e))
        throw *run;
    if (auto sql = dynamic_cast<const SQLite::Exception*>(&e))
        throw fromSqlite(*sql, db_->path());
    throw RunError(ErrNo::DiskOrNetworkError, QString::fromLocal8Bit(e.what()));
}

QString Recordset::selectFrom(const QString& columns) const {
    return QStringLiteral("SELECT ") + columns + QStringLiteral(" FROM ") + quoted(table_);
}

QString Recordset::whereWith(const QString& extra) const {
    QStringList parts;
    if (!condition_.isEmpty())
        parts << QLatin1Char('(') + condition_ + QLatin1Char(')');
    if (!extra.isEmpty())
        parts << extra;
    return parts.isEmpty() ? QString()
                           : QStringLiteral(" WHERE ") + parts.join(QLatin1String(" AND "));
}

void Recordset::invalidateCursor() {
    cursor_.reset();
    cursorOnRow_ = false;
    cached_ = false;
}

void Recordset::moved() {
    if (onMoved)
        onMoved();
}

bool Recordset::noRecords() const {
    return !anyRecord(QString(), 0);
}

bool Recordset::recordsBefore(qint64 rowid) const {
    return anyRecord(QStringLiteral("rowid < ?"), rowid);
}

// Whether the source selects a record meeting extraWhere, whose one parameter
// (if any) takes bound.
bool Recordset::anyRecord(const QString& extraWhere, qint64 bound) const {
    try {
        SQLite::Statement q(db_->handle(), (selectFrom(QStringLiteral("1")) +
                                            whereWith(extraWhere) + QStringLiteral(" LIMIT 1"))
                                               .toStdString());
        if (!extraWhere.isEmpty())
            q.bind(1, static_cast<int64_t>(bound));
        return q.executeStep();
    } catch (const std::exception& e) {
        rethrow(e);
    }
}

bool Recordset::isBOF() const {
    if (pos_ == Pos::BOF)
        return true;
    return pos_ == Pos::EOF_ && noRecords();
}

bool Recordset::isEOF() const {
    if (pos_ == Pos::EOF_)
        return true;
    return pos_ == Pos::BOF && noRecords();
}

bool Recordset::hasCurrent() const {
    return pos_ == Pos::Row || pos_ == Pos::New;
}

void Recordset::stepTo(const QString& extraWhere, const QString& order, qint64 bound, bool useBound,
                       Pos ifNone) {
    invalidateCursor();
    try {
        // The cursor carries only the fields read on this walk so far: a walk that
        // reads one field decodes one field per row.
        QStringList carried{QStringLiteral("rowid")};
        cursorSlots_.assign(static_cast<size_t>(columns_.size()), -1);
        for (int i = 0; i < columns_.size() && i < 64; ++i) {
            if (wanted_ & (quint64(1) << i)) {
                cursorSlots_[static_cast<size_t>(i)] = static_cast<int>(carried.size());
                carried << quotedColumns_[i];
            }
        }
        cursorMask_ = wanted_;
        const QString sql = selectFrom(carried.join(QLatin1Char(','))) + whereWith(extraWhere) +
                            QStringLiteral(" ORDER BY ") + order;
        auto q = std::make_unique<SQLite::Statement>(db_->handle(), sql.toStdString());
        if (useBound)
            q->bind(1, static_cast<int64_t>(bound));
        if (q->executeStep()) {
            pos_ = Pos::Row;
            rowid_ = q->getColumn(0).getInt64();
            // Only an ascending scan is kept for the next moves.
            if (order == QLatin1String("rowid")) {
                cursor_ = std::move(q);
                cursorOnRow_ = true;
            }
        } else {
            pos_ = ifNone;
        }
    } catch (const std::exception& e) {
        rethrow(e);
    }
}

QHash<int, QVariant> Recordset::typedEdits() const {
    QHash<int, QVariant> out = edits_;
    for (auto it = out.begin(); it != out.end(); ++it) {
        if (!numeric_.value(it.key()) || it.value().typeId() != QMetaType::QString)
            continue;
        const QString text = it.value().toString().trimmed();
        if (text.isEmpty()) {
            it.value() = QVariant();
            continue;
        }
        bool ok = false;
        const qlonglong whole = text.toLongLong(&ok);
        if (ok) {
            it.value() = whole;
            continue;
        }
        const double real = text.toDouble(&ok);
        if (!ok || !std::isfinite(real))
            throw RunError::of(ErrNo::TypeMismatch);
        it.value() = real;
    }
    return out;
}

void Recordset::insertNew() {
    const QHash<int, QVariant> values = typedEdits();
    QStringList names;
    QStringList marks;
    QList<int> order;
    for (auto it = values.cbegin(); it != values.cend(); ++it)
        order << it.key();
    std::sort(order.begin(), order.end());
    for (int i : order) {
        names << quoted(columns_[i]);
        marks << QStringLiteral("?");
    }
    const QString sql =
        names.isEmpty()
            ? QStringLiteral("INSERT INTO ") + quoted(table_) + QStringLiteral(" DEFAULT VALUES")
            : QStringLiteral("INSERT INTO ") + quoted(table_) + QStringLiteral(" (") +
                  names.join(QLatin1Char(',')) + QStringLiteral(") VALUES (") +
                  marks.join(QLatin1Char(',')) + QLatin1Char(')');
    invalidateCursor();
    try {
        SQLite::Statement q(db_->handle(), sql.toStdString());
        int n = 1;
        for (int i : order)
            bindValue(q, n++, values.value(i));
        q.exec();
        rowid_ = db_->handle().getLastInsertRowid();
    } catch (const std::exception& e) {
        rethrow(e);
    }
    pos_ = Pos::Row;
    edits_.clear();
    dirty_ = false;
}

void Recordset::updateRow() {
    const QHash<int, QVariant> values = typedEdits();
    QStringList sets;
    QList<int> order;
    for (auto it = values.cbegin(); it != values.cend(); ++it)
        order << it.key();
    std::sort(order.begin(), order.end());
    for (int i : order)
        sets << quoted(columns_[i]) + QStringLiteral("=?");
    if (!sets.isEmpty()) {
        invalidateCursor();
        try {
            SQLite::Statement q(db_->handle(),
                                (QStringLiteral("UPDATE ") + quoted(table_) +
                                 QStringLiteral(" SET ") + sets.join(QLatin1Char(',')) +
                                 QStringLiteral(" WHERE rowid=?"))
                                    .toStdString());
            int n = 1;
            for (int i : order)
                bindValue(q, n++, values.value(i));
            q.bind(n, static_cast<int64_t>(rowid_));
            q.exec();
        } catch (const std::exception& e) {
            rethrow(e);
        }
    }
    edits_.clear();
    dirty_ = false;
}

void Recordset::storePending() {
    try {
        if (pos_ == Pos::New && dirty_)
            insertNew();
        else if (pos_ == Pos::Row && dirty_)
            updateRow();
    } catch (const RunError& e) {
        if (onStoreRefused)
            onStoreRefused(e);
        throw;
    }
}

void Recordset::leave() {
    storePending();
    if (pos_ == Pos::New) {
        // A new record never changed is dropped.
        edits_.clear();
        dirty_ = false;
        pos_ = beforeNew_.pos;
        rowid_ = beforeNew_.rowid;
        invalidateCursor();
    }
}

void Recordset::moveFirst() {
    leave();
    // A new walk learns afresh which fields it reads.
    wanted_ = 0;
    stepTo(QString(), QStringLiteral("rowid"), 0, false, Pos::EOF_);
    if (pos_ != Pos::Row) {
        pos_ = Pos::BOF;
        moved();
        throw RunError::of(ErrNo::NoCurrentRecord);
    }
    moved();
}

void Recordset::moveLast() {
    leave();
    stepTo(QString(), QStringLiteral("rowid DESC"), 0, false, Pos::EOF_);
    if (pos_ != Pos::Row) {
        moved();
        throw RunError::of(ErrNo::NoCurrentRecord);
    }
    moved();
}

void Recordset::moveNext() {
    leave();
    // With no records at all the set is at both ends: there is nowhere to go.
    if (pos_ == Pos::EOF_ || (pos_ == Pos::BOF && noRecords()))
        throw RunError::of(ErrNo::NoCurrentRecord);
    if (pos_ == Pos::BOF) {
        stepTo(QString(), QStringLiteral("rowid"), 0, false, Pos::EOF_);
    } else if (pos_ == Pos::Row && cursor_ && cursorOnRow_ && (wanted_ & ~cursorMask_) == 0) {
        cached_ = false;
        try {
            if (cursor_->executeStep()) {
                rowid_ = cursor_->getColumn(0).getInt64();
            } else {
                invalidateCursor();
                pos_ = Pos::EOF_;
            }
        } catch (const std::exception& e) {
            invalidateCursor();
            rethrow(e);
        }
    } else {
        stepTo(QStringLiteral("rowid > ?"), QStringLiteral("rowid"), rowid_, true, Pos::EOF_);
    }
    moved();
}

void Recordset::movePrevious() {
    leave();
    if (pos_ == Pos::BOF || (pos_ == Pos::EOF_ && noRecords()))
        throw RunError::of(ErrNo::NoCurrentRecord);
    if (pos_ == Pos::EOF_)
        stepTo(QString(), QStringLiteral("rowid DESC"), 0, false, Pos::BOF);
    else
        stepTo(QStringLiteral("rowid < ?"), QStringLiteral("rowid DESC"), rowid_, true, Pos::BOF);
    moved();
}

qint64 Recordset::recordCount() {
    try {
        SQLite::Statement q(
            db_->handle(),
            (selectFrom(QStringLiteral("count(*)")) + whereWith(QString())).toStdString());
        q.executeStep();
        return q.getColumn(0).getInt64();
    } catch (const std::exception& e) {
        rethrow(e);
    }
}

qint64 Recordset::absolutePosition() {
    switch (pos_) {
    case Pos::BOF:
        return -2;
    case Pos::EOF_:
        return -3;
    case Pos::New:
        return -1;
    default:
        break;
    }
    try {
        SQLite::Statement q(db_->handle(), (selectFrom(QStringLiteral("count(*)")) +
                                            whereWith(QStringLiteral("rowid <= ?")))
                                               .toStdString());
        q.bind(1, static_cast<int64_t>(rowid_));
        q.executeStep();
        return q.getColumn(0).getInt64();
    } catch (const std::exception& e) {
        rethrow(e);
    }
}

void Recordset::walkToEnd(int index, const std::function<void(QByteArrayView, bool)>& visit) {
    if (index < 0 || index >= columns_.size())
        throw RunError::of(ErrNo::ItemNotFound);
    leave();
    if (pos_ == Pos::EOF_)
        return;
    const bool fromStart = pos_ == Pos::BOF || (pos_ == Pos::Row && !recordsBefore(rowid_));
    // A walk over all records may take them in any order: the engine then reads
    // the field's index, far smaller than the table, when there is one.
    const QString sql = selectFrom(QStringLiteral("rowid,") + quotedColumns_[index]) +
                        whereWith(fromStart              ? QString()
                                  : pos_ == Pos::Deleted ? QStringLiteral("rowid > ?")
                                                         : QStringLiteral("rowid >= ?")) +
                        (fromStart ? QString() : QStringLiteral(" ORDER BY rowid"));
    invalidateCursor();
    sqlite3* db = db_->handle().getHandle();
    const QByteArray text = sql.toUtf8();
    sqlite3_stmt* stmt = nullptr;
    if (sqlite3_prepare_v2(db, text.constData(), static_cast<int>(text.size()), &stmt, nullptr) !=
        SQLITE_OK) {
        sqlite3_finalize(stmt);
        throw fromSqliteCode(sqlite3_extended_errcode(db), QString::fromUtf8(sqlite3_errmsg(db)),
                             db_->path());
    }
    if (!fromStart)
        sqlite3_bind_int64(stmt, 1, rowid_);
    int rc;
    try {
        while ((rc = sqlite3_step(stmt)) == SQLITE_ROW) {
            pos_ = Pos::Row;
            rowid_ = sqlite3_column_int64(stmt, 0);
            if (sqlite3_column_type(stmt, 1) == SQLITE_NULL) {
                visit(QByteArrayView(), true);
            } else {
                const char* value = reinterpret_cast<const char*>(sqlite3_column_text(stmt, 1));
                visit(QByteArrayView(value, sqlite3_column_bytes(stmt, 1)), false);
            }
        }
    } catch (...) {
        sqlite3_finalize(stmt);
        moved();
        throw;
    }
    if (rc != SQLITE_DONE) {
        const RunError e = fromSqliteCode(sqlite3_extended_errcode(db),
                                          QString::fromUtf8(sqlite3_errmsg(db)), db_->path());
        sqlite3_finalize(stmt);
        moved();
        throw e;
    }
    sqlite3_finalize(stmt);
    pos_ = Pos::EOF_;
    moved();
}

void Recordset::find(const QString& criterion) {
    leave();
    if (pos_ == Pos::EOF_) {
        moved();
        return;
    }
    const QString extra = QLatin1Char('(') + criterion + QStringLiteral(") AND rowid >= ?");
    try {
        checkSingleStatement(db_->handle().getHandle(),
                             selectFrom(QStringLiteral("rowid")) + whereWith(extra));
    } catch (const RunError&) {
        throw;
    } catch (const std::exception& e) {
        rethrow(e);
    }
    const qint64 from = pos_ == Pos::BOF ? std::numeric_limits<qint64>::min() : rowid_;
    stepTo(extra, QStringLiteral("rowid"), from, true, Pos::EOF_);
    moved();
}

int Recordset::fieldIndex(const QString& name) const {
    return index_.value(name.toLower(), -1);
}

int Recordset::checkedIndex(const QString& name) const {
    const int i = fieldIndex(name);
    if (i < 0)
        throw RunError::of(ErrNo::ItemNotFound);
    return i;
}

void Recordset::loadCache() const {
    if (cached_)
        return;
    try {
        SQLite::Statement q(
            db_->handle(),
            (selectFrom(columnList_) + QStringLiteral(" WHERE rowid=?")).toStdString());
        q.bind(1, static_cast<int64_t>(rowid_));
        cache_.fill(QVariant(), columns_.size());
        if (q.executeStep())
            for (int i = 0; i < columns_.size(); ++i)
                cache_[i] = valueOf(q.getColumn(i));
    } catch (const std::exception& e) {
        rethrow(e);
    }
    cached_ = true;
}

// A field of the current record: an existing one, not deleted.
void Recordset::checkFieldOfCurrent(int index) const {
    if (index < 0 || index >= columns_.size())
        throw RunError::of(ErrNo::ItemNotFound);
    if (pos_ == Pos::Deleted)
        throw RunError::of(ErrNo::RecordDeleted);
    if (!hasCurrent())
        throw RunError::of(ErrNo::NoCurrentRecord);
}

QVariant Recordset::field(int index) const {
    checkFieldOfCurrent(index);
    if (auto it = edits_.constFind(index); it != edits_.cend())
        return it.value();
    if (pos_ == Pos::New)
        return QVariant();
    if (cursor_ && cursorOnRow_ && cursorSlots_[static_cast<size_t>(index)] >= 0) {
        try {
            return valueOf(cursor_->getColumn(cursorSlots_[static_cast<size_t>(index)]));
        } catch (const std::exception& e) {
            rethrow(e);
        }
    }
    if (index < 64)
        wanted_ |= quint64(1) << index;
    loadCache();
    return cache_.value(index);
}

QVariant Recordset::field(const QString& name) const {
    return field(checkedIndex(name));
}

QString Recordset::fieldText(const QString& name) const {
    return field(name).toString();
}

void Recordset::setField(int index, const QVariant& value) {
    checkFieldOfCurrent(index);
    edits_.insert(index, value);
    dirty_ = true;
}

void Recordset::setField(const QString& name, const QVariant& value) {
    setField(checkedIndex(name), value);
}

void Recordset::addNew() {
    leave();
    beforeNew_ = {pos_, rowid_};
    invalidateCursor();
    pos_ = Pos::New;
    edits_.clear();
    dirty_ = false;
    moved();
}

void Recordset::update() {
    if (pos_ == Pos::New) {
        try {
            insertNew();
        } catch (const RunError& e) {
            if (onStoreRefused)
                onStoreRefused(e);
            throw;
        }
        return;
    }
    if (pos_ != Pos::Row)
        throw RunError::of(ErrNo::NoCurrentRecord);
    storePending();
}

void Recordset::cancelUpdate() {
    edits_.clear();
    dirty_ = false;
    if (pos_ == Pos::New) {
        pos_ = beforeNew_.pos;
        rowid_ = beforeNew_.rowid;
        invalidateCursor();
        moved();
    }
}

void Recordset::deleteCurrent() {
    if (pos_ == Pos::New) {
        cancelUpdate();
        return;
    }
    if (pos_ != Pos::Row)
        throw RunError::of(ErrNo::NoCurrentRecord);
    invalidateCursor();
    try {
        SQLite::Statement q(db_->handle(), (QStringLiteral("DELETE FROM ") + quoted(table_) +
                                            QStringLiteral(" WHERE rowid=?"))
                                               .toStdString());
        q.bind(1, static_cast<int64_t>(rowid_));
        q.exec();
    } catch (const std::exception& e) {
        rethrow(e);
    }
    edits_.clear();
    dirty_ = false;
    pos_ = Pos::Deleted;
    moved();
}
