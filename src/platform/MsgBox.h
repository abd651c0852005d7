// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
#include <QList>
#include <QString>
#include <optional>

class QWidget;

// Every message box of the program goes through here. Tests switch on scripting:
// no real dialog is shown, queued answers are returned in order (the default
// button when none is queued), and every box shown is recorded.
namespace MsgBox {

enum class Icon { None, Information, Exclamation, Question, Critical };
enum class Buttons { Ok, OkCancel, YesNo, YesNoCancel, RetryCancel };
enum class Answer { Ok, Cancel, Yes, No, Retry };

struct Shown {
    QString text;
    QString title;
    Icon icon;
    Buttons buttons;
    Answer defaultButton;
};

// The application title, used when a box names no title of its own.
QString applicationTitle();

// Shows a box and returns the button pressed. A null title means the
// application title; an empty one stays empty. defaultButton defaults to the
// first button of the set.
Answer show(const QString& text, Buttons buttons = Buttons::Ok, Icon icon = Icon::None,
            const QString& title = QString(), std::optional<Answer> defaultButton = {});
Answer show(const QString& text, Buttons buttons, Icon icon, const QString& title,
            Answer defaultButton);

// Test seams.
void setScripted(bool on);
bool isScripted();
void setNextAnswer(Answer a);
QList<Shown> shown();
Shown last();
void clearShown();

} // namespace MsgBox
