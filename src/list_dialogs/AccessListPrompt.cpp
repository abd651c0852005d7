// SPDX-License-Identifier: GPL-3.0-or-later
#include "AccessListPrompt.h"

#include "main_window/Globals.h"
#include "outlook_import/BusyProgress.h"
#include "platform/MsgBox.h"
#include "storage/AccessConversion.h"

#include <QApplication>
#include <QDir>
#include <QFileInfo>
#include <QInputDialog>
#include <QLineEdit>
#include <QLocale>

namespace AccessListPrompt {
namespace {
std::optional<QString> askPassword(QWidget* owner, const QString& fileName, bool again) {
    QInputDialog dialog(owner);
    dialog.setObjectName(QStringLiteral("accessPassword"));
    dialog.setWindowTitle(MsgBox::applicationTitle());
    dialog.setInputMode(QInputDialog::TextInput);
    dialog.setTextEchoMode(QLineEdit::Password);
    dialog.setLabelText(
        (again ? QStringLiteral("That is not the password of \"%1\".\n")
               : QStringLiteral("\"%1\" is an Access list protected by a database password.\n"))
            .arg(fileName) +
        QStringLiteral("Password:"));
    // The busy pointer of the conversion is not meant for typing.
    QApplication::setOverrideCursor(Qt::ArrowCursor);
    const bool given = dialog.exec() == QDialog::Accepted;
    QApplication::restoreOverrideCursor();
    if (!given)
        return std::nullopt;
    return dialog.textValue();
}
} // namespace

bool bringIn(QWidget* owner, const QString& path, const QString& table) {
    if (!AccessConversion::isAccessFile(path))
        return true;
    const QFileInfo info(path);
    AccessConversion::Converted done;
    try {
        BusyProgress busy(
            owner, QStringLiteral("Converting the Access list \"%1\" ...").arg(info.fileName()));
        AccessConversion::Hooks hooks;
        hooks.password = [owner](const QString& fileName, bool again) {
            return askPassword(owner, fileName, again);
        };
        hooks.progress = [&busy](qint64 steps, qint64 total) {
            // Counted in contacts: each is read once and written once.
            busy.step(qsizetype(steps / 2), qsizetype(total / 2));
        };
        done = AccessConversion::convert(path, table, hooks);
    } catch (const AccessConversion::Refused& e) {
        if (e.reason() != AccessConversion::Refused::Reason::NoPassword)
            MsgBox::show(e.message(), MsgBox::Buttons::Ok, MsgBox::Icon::Exclamation);
        return false;
    }
    QString text = QStringLiteral("\"%1\" was an Access database. Its %2 %3 converted into a "
                                  "new file under the same name.\r\n"
                                  "The Access original is kept unchanged as \"%4\" in %5.")
                       .arg(info.fileName())
                       .arg(QLocale().toString(done.rows))
                       .arg(table == QLatin1String(Globals::contactTable)
                                ? (done.rows == 1 ? QStringLiteral("contact was")
                                                  : QStringLiteral("contacts were"))
                                : (done.rows == 1 ? QStringLiteral("area code was")
                                                  : QStringLiteral("area codes were")))
                       .arg(done.keptAs, QDir::toNativeSeparators(info.absolutePath()));
    if (!done.otherTables.isEmpty())
        text += QStringLiteral("\r\nThese tables stayed only in the original: ") +
                done.otherTables.join(QStringLiteral(", ")) + QLatin1Char('.');
    MsgBox::show(text, MsgBox::Buttons::Ok, MsgBox::Icon::Information);
    return true;
}
} // namespace AccessListPrompt
