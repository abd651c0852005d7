// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
#include <QString>
#include <QTextStream>
#include <chrono>
#include <vector>

// The rows the benchmark prints: what was measured, the figure, the target and
// whether it was met.
struct BenchRow {
    QString what;
    QString value;
    QString target;
    QString verdict; // "ok", "MISSED" or "" when no target applies
};

class BenchTable {
public:
    void add(const QString& what, const QString& value, const QString& target = QString(),
             bool met = true) {
        rows_.push_back(
            {what, value, target, target.isEmpty() ? QString() : (met ? "ok" : "MISSED")});
        QTextStream(stderr) << "  measured: " << what << " = " << value << "\n";
    }
    const std::vector<BenchRow>& rows() const { return rows_; }

private:
    std::vector<BenchRow> rows_;
};

// Wall-clock seconds of one call.
template <class Fn> double secondsOf(Fn&& fn) {
    const auto start = std::chrono::steady_clock::now();
    fn();
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

// Peak resident set size of this process so far, in MiB.
double peakRssMiB();
// Current resident set size, in MiB.
double currentRssMiB();
