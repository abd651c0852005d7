// SPDX-License-Identifier: GPL-3.0-or-later
#include "BoundFields.h"

#include "DataControl.h"
#include "MsgBox.h"
#include "NoteBox.h"

#include <QLineEdit>
#include <QPointer>
#include <memory>

namespace {
// A field that is gone with its window shows nothing and holds nothing.
class LineField : public DataControl::Field {
public:
    explicit LineField(QLineEdit* line) : line_(line) {}
    void show(const QString& text) override {
        if (!line_)
            return;
        line_->setText(text);
        line_->setCursorPosition(0);
    }
    bool holdsText() const override { return line_ && !line_->text().isEmpty(); }

private:
    QPointer<QLineEdit> line_;
};

class NoteField : public DataControl::Field {
public:
    explicit NoteField(NoteBox* box) : box_(box) {}
    void show(const QString& text) override {
        if (box_ && box_->note() != text)
            box_->setNote(text);
    }
    bool holdsText() const override { return box_ && !box_->document()->isEmpty(); }

private:
    QPointer<NoteBox> box_;
};
} // namespace

namespace BoundFields {
void bind(DataControl& data, QLineEdit* field, const QString& fieldName) {
    data.bind(std::make_unique<LineField>(field), fieldName);
    QObject::connect(field, &QLineEdit::textChanged, &data,
                     [&data, fieldName](const QString& text) { data.edited(fieldName, text); });
}

void bind(DataControl& data, NoteBox* field, const QString& fieldName) {
    data.bind(std::make_unique<NoteField>(field), fieldName);
    QObject::connect(field, &QPlainTextEdit::textChanged, &data,
                     [&data, field, fieldName] { data.edited(fieldName, field->note()); });
}

void reportInMessageBoxes(DataControl& data) {
    data.setReporter([](const QString& text) {
        MsgBox::show(text, MsgBox::Buttons::Ok, MsgBox::Icon::Exclamation);
    });
}
} // namespace BoundFields
