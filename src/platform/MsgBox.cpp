// SPDX-License-Identifier: GPL-3.0-or-later
#include "MsgBox.h"

#include <QApplication>
#include <QMessageBox>
#include <QPushButton>
#include <deque>

namespace MsgBox {
namespace {
bool g_scripted = false;
std::deque<Answer> g_answers;
QList<Shown> g_shown;

QList<Answer> answersOf(Buttons b) {
    switch (b) {
    case Buttons::Ok:
        return {Answer::Ok};
    case Buttons::OkCancel:
        return {Answer::Ok, Answer::Cancel};
    case Buttons::YesNo:
        return {Answer::Yes, Answer::No};
    case Buttons::YesNoCancel:
        return {Answer::Yes, Answer::No, Answer::Cancel};
    case Buttons::RetryCancel:
        return {Answer::Retry, Answer::Cancel};
    }
    return {Answer::Ok};
}

QMessageBox::StandardButton standardOf(Answer a) {
    switch (a) {
    case Answer::Ok:
        return QMessageBox::Ok;
    case Answer::Cancel:
        return QMessageBox::Cancel;
    case Answer::Yes:
        return QMessageBox::Yes;
    case Answer::No:
        return QMessageBox::No;
    case Answer::Retry:
        return QMessageBox::Retry;
    }
    return QMessageBox::Ok;
}

QMessageBox::Icon iconOf(Icon i) {
    switch (i) {
    case Icon::None:
        return QMessageBox::NoIcon;
    case Icon::Information:
        return QMessageBox::Information;
    case Icon::Exclamation:
        return QMessageBox::Warning;
    case Icon::Question:
        return QMessageBox::Question;
    case Icon::Critical:
        return QMessageBox::Critical;
    }
    return QMessageBox::NoIcon;
}
} // namespace

QString applicationTitle() {
    return QStringLiteral("Quillary");
}

Answer show(const QString& text, Buttons buttons, Icon icon, const QString& title,
            std::optional<Answer> defaultButton) {
    const QList<Answer> answers = answersOf(buttons);
    const Answer def =
        defaultButton && answers.contains(*defaultButton) ? *defaultButton : answers.front();
    const QString shownTitle = title.isNull() ? applicationTitle() : title;
    g_shown.append({text, shownTitle, icon, buttons, def});
    if (g_scripted) {
        if (g_answers.empty())
            return def;
        const Answer a = g_answers.front();
        g_answers.pop_front();
        return answers.contains(a) ? a : def;
    }
    // Run from the shell without windows (a command of its own), nothing can be
    // shown: the callers that can run so say on standard error what went wrong.
    if (!qobject_cast<QApplication*>(QCoreApplication::instance()))
        return def;
    QMessageBox box(iconOf(icon), shownTitle, text, QMessageBox::NoButton,
                    QApplication::activeWindow());
    for (Answer a : answers)
        box.addButton(standardOf(a));
    box.setDefaultButton(standardOf(def));
    // Escape (and the close box) never confirms: it answers Cancel, or No.
    if (answers.contains(Answer::Cancel))
        box.setEscapeButton(standardOf(Answer::Cancel));
    else if (answers.contains(Answer::No))
        box.setEscapeButton(standardOf(Answer::No));
    const int result = box.exec();
    for (Answer a : answers)
        if (result == standardOf(a))
            return a;
    return answers.contains(Answer::Cancel) ? Answer::Cancel : def;
}

Answer show(const QString& text, Buttons buttons, Icon icon, const QString& title,
            Answer defaultButton) {
    return show(text, buttons, icon, title, std::optional<Answer>(defaultButton));
}

void setScripted(bool on) {
    g_scripted = on;
    g_answers.clear();
}
bool isScripted() {
    return g_scripted;
}
void setNextAnswer(Answer a) {
    g_answers.push_back(a);
}
QList<Shown> shown() {
    return g_shown;
}
Shown last() {
    return g_shown.isEmpty() ? Shown{} : g_shown.back();
}
void clearShown() {
    g_shown.clear();
}

} // namespace MsgBox
