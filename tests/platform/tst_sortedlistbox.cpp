// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/SortedListBox.h"

#include <QtTest>

namespace {
QStringList entries(SortedListBox& box) {
    QStringList out;
    for (int i = 0; i < box.listCount(); ++i)
        out << box.list(i);
    return out;
}
} // namespace

class tst_SortedListBox : public QObject {
    Q_OBJECT
private slots:
    void sorted_data() {
        QTest::addColumn<QStringList>("added");
        QTest::addColumn<QStringList>("expected");
        QTest::newRow("case ignored") << QStringList{"b", "A", "c"} << QStringList{"A", "b", "c"};
        QTest::newRow("accented letter among its own")
            << QStringList{"Zoe", "émile", "Adam"} << QStringList{"Adam", "émile", "Zoe"};
        QTest::newRow("capital accented letter") << QStringList{"Zoe", "Émile", "ethan", "Bea"}
                                                 << QStringList{"Bea", "Émile", "ethan", "Zoe"};
        QTest::newRow("umlaut next to its letter") << QStringList{"Zoe", "Äpfel", "Birne", "apfel"}
                                                   << QStringList{"apfel", "Äpfel", "Birne", "Zoe"};
        QTest::newRow("case of accented letters ignored")
            << QStringList{"ÉMILE", "émilf", "émild"} << QStringList{"émild", "ÉMILE", "émilf"};
        QTest::newRow("same letters: capitals first")
            << QStringList{"bob", "Ann", "BOB", "ann"} << QStringList{"Ann", "ann", "BOB", "bob"};
        QTest::newRow("accent before case") << QStringList{"émile", "Emile", "Émile", "emile"}
                                            << QStringList{"Emile", "emile", "Émile", "émile"};
        QTest::newRow("one name twice: both kept")
            << QStringList{"Lee", "Ann", "Lee"} << QStringList{"Ann", "Lee", "Lee"};
        QTest::newRow("empty entries first")
            << QStringList{"x", "", ""} << QStringList{"", "", "x"};
        QTest::newRow("prefix first")
            << QStringList{"Annabel", "Ann"} << QStringList{"Ann", "Annabel"};
        // Tens of thousands of names as a fill reads them: in table order, in the
        // order of an index that folds ASCII letters only, and reversed. A plain
        // sort with the list's comparison gives the same list.
        const QStringList first = {"Ann",   "émile", "ÁNGEL", "angel", "Zoë", "zoe",   "Søren",
                                   "Œdipe", "ß",     "ss",    "",      "Ω",   "d'Arcy"};
        const QStringList last = {"Smith", "SMITH", "Müller", "Muller", "Øster", "O'Brien", "Lee"};
        QStringList many;
        for (int i = 0; i < 30000; ++i)
            many << last[i % 7] + ", " + first[(i * 5) % 13] + QString::number(i % 97);
        QStringList sorted = many;
        std::stable_sort(sorted.begin(), sorted.end(), SortedStringModel::lessThan);
        QTest::newRow("thousands, table order") << many << sorted;
        std::stable_sort(many.begin(), many.end(), [](const QString& a, const QString& b) {
            return a.compare(b, Qt::CaseInsensitive) < 0;
        });
        QTest::newRow("thousands, index order") << many << sorted;
        std::reverse(many.begin(), many.end());
        QTest::newRow("thousands, reversed") << many << sorted;
    }
    void sorted() {
        QFETCH(QStringList, added);
        SortedListBox box;
        for (const QString& s : added)
            box.addItem(s);
        QTEST(entries(box), "expected");
        // Added in two rounds, with the first shown in between.
        SortedListBox twice;
        twice.addItem(added.first());
        QCOMPARE(twice.listCount(), 1);
        for (const QString& s : added.mid(1))
            twice.addItem(s);
        QTEST(entries(twice), "expected");
    }
};

QTEST_MAIN(tst_SortedListBox)
#include "tst_sortedlistbox.moc"
