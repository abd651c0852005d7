// SPDX-License-Identifier: GPL-3.0-or-later
// quillary_bench: measures the figures the program is held to and prints a
// table. QUILLARY_BENCH_SIZES (comma-separated) overrides the list sizes,
// QUILLARY_BENCH_NOTE the length of the longest note.
#include "BenchTable.h"
#include "Benches.h"

#include <QApplication>
#include <QTextStream>

namespace {
void print(const BenchTable& table) {
    QTextStream out(stdout);
    int w1 = 4, w2 = 5, w3 = 6;
    for (const BenchRow& r : table.rows()) {
        w1 = std::max<int>(w1, r.what.size());
        w2 = std::max<int>(w2, r.value.size());
        w3 = std::max<int>(w3, r.target.size());
    }
    auto row = [&](const QString& a, const QString& b, const QString& c, const QString& d) {
        out << "| " << a.leftJustified(w1) << " | " << b.leftJustified(w2) << " | "
            << c.leftJustified(w3) << " | " << d.leftJustified(6) << " |\n";
    };
    row("what", "value", "target", "met");
    out << "|" << QString(w1 + 2, '-') << "|" << QString(w2 + 2, '-') << "|" << QString(w3 + 2, '-')
        << "|--------|\n";
    for (const BenchRow& r : table.rows())
        row(r.what, r.value, r.target, r.verdict);
}
} // namespace

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    if (argc == 2 && qstrcmp(argv[1], "--list-book") == 0)
        return benchListBook();
    QList<int> sizes = {10000, 100000, 1000000};
    const QByteArray env = qgetenv("QUILLARY_BENCH_SIZES");
    if (!env.isEmpty()) {
        sizes.clear();
        for (const QByteArray& s : env.split(','))
            sizes << s.trimmed().toInt();
    }
    BenchTable table;
    // QUILLARY_BENCH_ONLY=sync runs the address book server rows alone.
    if (qgetenv("QUILLARY_BENCH_ONLY") != "sync") {
        benchMainWindow(table, sizes);
        benchImport(table);
        benchExport(table);
        benchAccess(table);
        benchLongNotes(table, qEnvironmentVariableIntValue("QUILLARY_BENCH_NOTE") > 0
                                  ? qEnvironmentVariableIntValue("QUILLARY_BENCH_NOTE")
                                  : 10000000);
    }
    benchSync(table);
    print(table);
    return 0;
}
