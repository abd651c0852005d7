// SPDX-License-Identifier: GPL-3.0-or-later
#include "Actions.h"

#include <cstdio>

namespace Actions {
int showHelp(const QCommandLineParser& parser) {
    std::fputs(parser.helpText().toLocal8Bit().constData(), stdout);
    return 0;
}
} // namespace Actions
