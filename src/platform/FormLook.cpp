// SPDX-License-Identifier: GPL-3.0-or-later
#include "FormLook.h"

#include <QFrame>
#include <QLabel>
#include <QLineEdit>
#include <memory>

namespace {
// A label (with text or a picture), or a bare frame drawn as a line.
bool isLightweight(const QWidget* w) {
    if (qobject_cast<const QLabel*>(w))
        return true;
    return w->metaObject() == &QFrame::staticMetaObject &&
           w->findChildren<QWidget*>(Qt::FindDirectChildrenOnly).isEmpty();
}
} // namespace

namespace FormLook {
void lowerLightweightControls(QWidget* container) {
    const QList<QWidget*> children = container->findChildren<QWidget*>(Qt::FindDirectChildrenOnly);
    // Lowered last one first, so lightweight controls keep their order among themselves.
    for (auto it = children.crbegin(); it != children.crend(); ++it) {
        if (isLightweight(*it))
            (*it)->lower();
        else
            lowerLightweightControls(*it);
    }
}

void showStartOfFilledText(QWidget* form) {
    for (QLineEdit* field : form->findChildren<QLineEdit*>()) {
        // textEdited comes just before textChanged when the user changed the text.
        auto typed = std::make_shared<bool>(false);
        QObject::connect(field, &QLineEdit::textEdited, field, [typed] { *typed = true; });
        QObject::connect(field, &QLineEdit::textChanged, field, [field, typed] {
            if (!*typed)
                field->setCursorPosition(0);
            *typed = false;
        });
    }
}

void settle(QWidget* form) {
    lowerLightweightControls(form);
    showStartOfFilledText(form);
}

void fixedBorder(QWidget* window, bool minimize) {
    Qt::WindowFlags flags = (window->windowFlags() & Qt::WindowType_Mask) |
                            Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                            Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint |
                            Qt::MSWindowsFixedSizeDialogHint;
    if (minimize)
        flags |= Qt::WindowMinimizeButtonHint;
    window->setWindowFlags(flags);
}
} // namespace FormLook
