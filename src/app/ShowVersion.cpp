// SPDX-License-Identifier: GPL-3.0-or-later
#include "Actions.h"

#include <QCoreApplication>
#include <cstdio>

namespace Actions {
int showVersion(const QCommandLineParser&) {
    std::printf("%s %s\n", qPrintable(QCoreApplication::applicationName()),
                qPrintable(QCoreApplication::applicationVersion()));
    return 0;
}
} // namespace Actions
