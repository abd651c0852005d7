// SPDX-License-Identifier: GPL-3.0-or-later
#include "BenchTable.h"

#include <QFile>

namespace {
double statusMiB(const char* key) {
    QFile f(QStringLiteral("/proc/self/status"));
    if (!f.open(QIODevice::ReadOnly))
        return 0;
    for (const QByteArray& line : f.readAll().split('\n'))
        if (line.startsWith(key))
            return line.mid(qstrlen(key)).trimmed().split(' ').value(0).toDouble() / 1024.0;
    return 0;
}
} // namespace

double peakRssMiB() {
    return statusMiB("VmHWM:");
}
double currentRssMiB() {
    return statusMiB("VmRSS:");
}
