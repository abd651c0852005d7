// SPDX-License-Identifier: GPL-3.0-or-later
#include "DataControl.h"

#include "Database.h"
#include "MsgBox.h"
#include "NoteBox.h"
#include "Recordset.h"
#include "RunError.h"

#include <QLineEdit>

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

RecordsetHandle DataControl::recordsetHandle() const {
    return hasRecordset() ? RecordsetHandle(recordset_) : RecordsetHandle();
}

bool DataControl::dataChanged() const {
    return recordset_ && recordset_->isDirty();
}

void DataControl::hook() {
    recordset_->onMoved = [this] { currentMoved(); };
    recordset_->onStoreRefused = [this](const RunError& e) {
        if (reportsRefusals_)
            MsgBox::show(e.description(), MsgBox::Buttons::Ok, MsgBox::Icon::Exclamation);
    };
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
    if (openedReadOnly && reportsRefusals_)
        MsgBox::show(RunError::of(ErrNo::ReadOnlyDb).failureMessage(), MsgBox::Buttons::Ok,
                     MsgBox::Icon::Exclamation);
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

void DataControl::bind(QLineEdit* field, const QString& fieldName) {
    bindings_.append({field, fieldName});
    connect(field, &QLineEdit::textChanged, this,
            [this, field, fieldName](const QString& text) { fieldEdited(field, fieldName, text); });
}

void DataControl::bind(NoteBox* field, const QString& fieldName) {
    bindings_.append({field, fieldName});
    connect(field, &QPlainTextEdit::textChanged, this,
            [this, field, fieldName] { fieldEdited(field, fieldName, field->note()); });
}

void DataControl::fieldEdited(QWidget*, const QString& fieldName, const QString& text) {
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
    for (const Binding& b : bindings_) {
        const auto* line = qobject_cast<const QLineEdit*>(b.widget.data());
        const auto* box = qobject_cast<const NoteBox*>(b.widget.data());
        const bool typed =
            (line && !line->text().isEmpty()) || (box && !box->document()->isEmpty());
        if (typed && recordset_->fieldIndex(b.field) < 0)
            fields << b.field;
    }
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
        if (!b.widget)
            continue;
        QString text;
        if (current) {
            try {
                text = recordset_->fieldText(b.field);
            } catch (const RunError&) {
            }
        }
        if (auto* line = qobject_cast<QLineEdit*>(b.widget.data())) {
            line->setText(text);
            line->setCursorPosition(0);
        } else if (auto* box = qobject_cast<NoteBox*>(b.widget.data())) {
            if (box->note() != text)
                box->setNote(text);
        }
    }
    loading_ = false;
    emit repositioned();
}
