// SPDX-License-Identifier: GPL-3.0-or-later
#include "DataControl.h"

#include "Database.h"
#include "Recordset.h"
#include "RunError.h"

DataControl::DataControl(QObject* parent) : QObject(parent) {}

DataControl::~DataControl() {
    // Closing stores the record being edited, but a window that is already gone
    // cannot show a refusal: one refused here goes to the standard error with
    // what it held, so the text is not lost without a word.
    reportsRefusals_ = false;
    const QString file = databaseName_;
    if (recordset_) {
        Recordset& rs = *recordset_;
        rs.onStoreRefused = [&rs, file](const RunError& e) {
            QStringList fields;
            for (const QString& name : rs.fieldNames())
                fields << name + QLatin1Char('=') + rs.fieldText(name);
            qWarning("The record being edited in %s was not stored (%s): %s", qUtf8Printable(file),
                     qUtf8Printable(e.failureMessage()),
                     qUtf8Printable(fields.join(QStringLiteral(", "))));
        };
    }
    try {
        close();
    } catch (const std::exception& e) {
        qWarning("Closing %s failed: %s", qUtf8Printable(file), e.what());
    }
}

Recordset& DataControl::recordset() {
    if (!hasRecordset())
        throw RunError::of(ErrNo::ObjectNotSet);
    return *recordset_;
}

bool DataControl::dataChanged() const {
    return recordset_ && recordset_->isDirty();
}

void DataControl::hook() {
    recordset_->onMoved = [this] { currentMoved(); };
    recordset_->onStoreRefused = [this](const RunError& e) { report(e.description()); };
}

void DataControl::report(const QString& text) const {
    if (reportsRefusals_ && reporter_)
        reporter_(text);
}

void DataControl::refresh() {
    if (database_ && database_->readOnly() && database_->path() == databaseName_)
        retryForWriting();
    if (recordset_)
        recordset_->storePending();
    std::unique_ptr<Database> opened;
    Database* db = database_.get();
    if (!db || db->path() != databaseName_) {
        opened = std::make_unique<Database>(databaseName_);
        db = opened.get();
    }
    auto fresh = std::make_unique<Recordset>(*db, recordSource_);
    if (recordset_)
        *recordset_ = std::move(*fresh);
    else
        recordset_ = std::move(fresh);
    const bool openedReadOnly = opened && opened->readOnly();
    if (opened)
        database_ = std::move(opened);
    hook();
    // An edit would be refused: the user hears so now, not at the first store.
    if (openedReadOnly)
        report(RunError::of(ErrNo::ReadOnlyDb).failureMessage());
    currentMoved();
}

// A list that could only be read is tried for writing again at every refresh,
// so one passing fault does not leave it read-only for the session; the
// records, and an edit waiting to be stored, move over to the new connection.
void DataControl::retryForWriting() {
    std::unique_ptr<Database> again;
    try {
        again = std::make_unique<Database>(databaseName_);
    } catch (const RunError&) {
        return;
    }
    if (again->readOnly())
        return;
    if (recordset_)
        recordset_->moveTo(*again);
    database_ = std::move(again);
}

void DataControl::close() {
    if (recordset_) {
        try {
            recordset_->storePending();
        } catch (const RunError&) {
            // Reported by the refusal hook; the window closes all the same.
        }
    }
    recordset_.reset();
    database_.reset();
}

void DataControl::bind(std::unique_ptr<Field> field, const QString& fieldName) {
    bindings_.push_back({std::move(field), fieldName});
}

void DataControl::edited(const QString& fieldName, const QString& text) {
    if (loading_ || !hasRecordset())
        return;
    Recordset& rs = *recordset_;
    try {
        // Typing where no record is current begins a new one, so the text is
        // stored at the next storing point instead of being lost.
        if (!rs.hasCurrent()) {
            Batch keepTyping(*this);
            rs.addNew();
            stale_ = false;
        }
        rs.setField(fieldName, text);
    } catch (const RunError&) {
        // A field of a deleted record: nothing to store it in.
    }
}

QStringList DataControl::unstorableEdits() const {
    QStringList fields;
    if (!hasRecordset())
        return fields;
    // Showing a record empties such fields, so any text in them was typed.
    for (const Binding& b : bindings_)
        if (b.field->holdsText() && recordset_->fieldIndex(b.name) < 0)
            fields << b.name;
    return fields;
}

void DataControl::currentMoved() {
    if (batch_ > 0) {
        stale_ = true;
        return;
    }
    showCurrent();
}

void DataControl::showCurrent() {
    stale_ = false;
    const bool current = hasRecordset() && recordset_->hasCurrent();
    loading_ = true;
    for (const Binding& b : bindings_) {
        QString text;
        if (current) {
            try {
                text = recordset_->fieldText(b.name);
            } catch (const RunError&) {
            }
        }
        b.field->show(text);
    }
    loading_ = false;
    emit repositioned();
}
