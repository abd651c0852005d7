// SPDX-License-Identifier: GPL-3.0-or-later
#include "FolderDialog.h"

#include <QDir>
#include <QFileDialog>
#include <deque>

namespace FolderDialog {
namespace {
bool g_scripted = false;
std::deque<QString> g_answers;
QList<Asked> g_asked;
} // namespace

QString chooseFolder(QWidget* parent, const QString& caption, const QString& startIn) {
    g_asked.append({caption, startIn});
    if (g_scripted) {
        if (g_answers.empty())
            return QString();
        const QString a = g_answers.front();
        g_answers.pop_front();
        return a;
    }
    const QString chosen = QFileDialog::getExistingDirectory(
        parent, caption, startIn, QFileDialog::ShowDirsOnly | QFileDialog::DontResolveSymlinks);
    return chosen.isEmpty() ? QString() : QDir::cleanPath(chosen);
}

void setScripted(bool on) {
    g_scripted = on;
    g_answers.clear();
}
bool isScripted() {
    return g_scripted;
}
void setNextAnswer(const QString& folder) {
    g_answers.push_back(folder);
}
QList<Asked> asked() {
    return g_asked;
}
Asked last() {
    return g_asked.isEmpty() ? Asked{} : g_asked.back();
}
void clearAsked() {
    g_asked.clear();
}

} // namespace FolderDialog
