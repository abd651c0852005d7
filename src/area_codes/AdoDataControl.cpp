// SPDX-License-Identifier: GPL-3.0-or-later
#include "AdoDataControl.h"

#include "platform/BoundFields.h"
#include "platform/DataControl.h"
#include "platform/MsgBox.h"
#include "platform/Recordset.h"
#include "platform/RunError.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QToolButton>

namespace AdoConnection {
QString value(const QString& connection, const QString& key) {
    const QStringList parts = connection.split(QLatin1Char(';'));
    for (const QString& part : parts) {
        const qsizetype eq = part.indexOf(QLatin1Char('='));
        if (eq < 0)
            continue;
        if (part.left(eq).trimmed().compare(key, Qt::CaseInsensitive) == 0)
            return part.mid(eq + 1).trimmed();
    }
    return QString();
}
} // namespace AdoConnection

AdoDataControl::AdoDataControl(QWidget* parent) : QWidget(parent), data_(new DataControl(this)) {
    // Refusals reach the caller (or the error notification), not a box of the engine's.
    data_->setReportsRefusals(false);
    connect(data_, &DataControl::repositioned, this, &AdoDataControl::moveComplete);

    setAutoFillBackground(true);
    auto* row = new QHBoxLayout(this);
    row->setContentsMargins(0, 0, 0, 0);
    row->setSpacing(0);
    auto button = [this, row](Qt::ArrowType arrow, const QString& name, Move move) {
        auto* b = new QToolButton(this);
        b->setArrowType(arrow);
        b->setObjectName(name);
        b->setAccessibleName(name);
        b->setFocusPolicy(Qt::NoFocus);
        b->setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Expanding);
        connect(b, &QToolButton::clicked, this, [this, move] { navigate(move); });
        row->addWidget(b);
        return b;
    };
    first_ = button(Qt::LeftArrow, QStringLiteral("First"), Move::First);
    previous_ = button(Qt::LeftArrow, QStringLiteral("Previous"), Move::Previous);
    caption_ = new QLabel(this);
    caption_->setObjectName(QStringLiteral("Caption"));
    caption_->setFrameShape(QFrame::Panel);
    caption_->setFrameShadow(QFrame::Sunken);
    caption_->setIndent(4);
    row->addWidget(caption_, 1);
    next_ = button(Qt::RightArrow, QStringLiteral("Next"), Move::Next);
    last_ = button(Qt::RightArrow, QStringLiteral("Last"), Move::Last);
    // The outer buttons go to the ends of the set.
    first_->setText(QStringLiteral("|<"));
    last_->setText(QStringLiteral(">|"));
    first_->setToolButtonStyle(Qt::ToolButtonTextOnly);
    last_->setToolButtonStyle(Qt::ToolButtonTextOnly);
}

AdoDataControl::~AdoDataControl() = default;

void AdoDataControl::setConnectionString(const QString& text) {
    connectionString_ = text;
    data_->setDatabaseName(databasePath());
}

QString AdoDataControl::databasePath() const {
    QString path = AdoConnection::value(connectionString_, QStringLiteral("Data Source"));
    // Paths of the connection are written with "\"; the file system here takes "/".
    path.replace(QLatin1Char('\\'), QLatin1Char('/'));
    return path;
}

QString AdoDataControl::recordSource() const {
    return data_->recordSource();
}

void AdoDataControl::setRecordSource(const QString& source) {
    data_->setRecordSource(source);
}

QString AdoDataControl::caption() const {
    return caption_->text();
}

void AdoDataControl::setCaption(const QString& text) {
    caption_->setText(text);
}

void AdoDataControl::refresh() {
    if (databasePath().isEmpty())
        throw RunError::of(ErrNo::CouldNotFindFile, QString());
    data_->refresh();
}

bool AdoDataControl::hasRecordset() const {
    return data_->hasRecordset();
}

Recordset& AdoDataControl::recordset() {
    return data_->recordset();
}

void AdoDataControl::updateBatch() {
    Recordset& rs = recordset();
    const bool wasNew = rs.isNew();
    rs.storePending();
    // A stored new record now has a place in the set.
    if (wasNew && !rs.isNew())
        emit moveComplete();
}

void AdoDataControl::close() {
    data_->close();
}

void AdoDataControl::bind(QLineEdit* field, const QString& fieldName) {
    BoundFields::bind(*data_, field, fieldName);
}

void AdoDataControl::bind(NoteBox* field, const QString& fieldName) {
    BoundFields::bind(*data_, field, fieldName);
}

void AdoDataControl::navigate(Move move) {
    if (!hasRecordset())
        return;
    try {
        Recordset& rs = recordset();
        if (!rs.hasCurrent() && rs.recordCount() == 0)
            return;
        DataControl::Batch once(*data_);
        switch (move) {
        case Move::First:
            rs.moveFirst();
            break;
        case Move::Previous:
            // The bar stops on the first record rather than before it.
            rs.movePrevious();
            if (rs.isBOF())
                rs.moveFirst();
            break;
        case Move::Next:
            // ... and on the last rather than past it.
            rs.moveNext();
            if (rs.isEOF())
                rs.moveLast();
            break;
        case Move::Last:
            rs.moveLast();
            break;
        }
    } catch (const RunError& e) {
        raiseError(e.number(), e.description());
    }
}

void AdoDataControl::raiseError(int number, const QString& description) {
    bool cancelDisplay = false;
    emit error(number, description, &cancelDisplay);
    if (!cancelDisplay)
        MsgBox::show(description, MsgBox::Buttons::Ok, MsgBox::Icon::Exclamation);
}
