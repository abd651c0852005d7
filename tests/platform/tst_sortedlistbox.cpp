#include "platform/SortedListBox.h"
#include "platform/Twips.h"

#include <QSignalSpy>
#include <QtTest>

namespace {
QStringList entries(SortedListBox& box) {
    QStringList out;
    for (int i = 0; i < box.listCount(); ++i)
        out << box.list(i);
    return out;
}

void press(SortedListBox& box, Qt::MouseButton button, int row) {
    const QPoint at = box.visualRect(box.model()->index(row, 0)).center();
    QMouseEvent event(QEvent::MouseButtonPress, at, box.viewport()->mapToGlobal(at), button, button,
                      Qt::NoModifier);
    QApplication::sendEvent(box.viewport(), &event);
    QMouseEvent release(QEvent::MouseButtonRelease, at, box.viewport()->mapToGlobal(at), button,
                        Qt::NoButton, Qt::NoModifier);
    QApplication::sendEvent(box.viewport(), &release);
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
    }
    void sorted() {
        QFETCH(QStringList, added);
        QFETCH(QStringList, expected);
        SortedListBox box;
        for (const QString& s : added)
            box.addItem(s);
        QCOMPARE(entries(box), expected);
        // Added in two rounds, with the view shown in between.
        SortedListBox twice;
        for (int i = 0; i < added.size(); ++i) {
            twice.addItem(added[i]);
            if (i == 0)
                QCOMPARE(twice.listCount(), 1);
        }
        QCOMPARE(entries(twice), expected);
        // The list depends on the names only, not on the order they came in.
        SortedListBox reversed;
        for (auto it = added.crbegin(); it != added.crend(); ++it)
            reversed.addItem(*it);
        QCOMPARE(entries(reversed), expected);
    }

    // Tens of thousands of names, as a fill reads them: in the order of a
    // case-folding index (accented names out of place), in table order, and
    // reversed. Every way gives the same list, in order.
    void manyNamesAnyArrivalOrder_data() {
        QTest::addColumn<QString>("arrival");
        QTest::newRow("index order") << QStringLiteral("index");
        QTest::newRow("table order") << QStringLiteral("table");
        QTest::newRow("reversed") << QStringLiteral("reversed");
    }
    void manyNamesAnyArrivalOrder() {
        QFETCH(QString, arrival);
        const QStringList first = {"Ann", "émile",  "Emma", "ÁNGEL", "angel", "Zoë",
                                   "zoe", "Søren",  "Bob",  "Œdipe", "ß",     "ss",
                                   "",    "Łukasz", "Ω",    "d'Arcy"};
        const QStringList last = {"Smith", "SMITH", "Müller", "Muller", "Øster", "O'Brien", "Lee"};
        QStringList names;
        for (int i = 0; i < 30000; ++i)
            names << last[(i * 7) % last.size()] + QStringLiteral(", ") +
                         first[(i * 13) % first.size()] +
                         (i % 3 ? QString() : QStringLiteral(" ") + QString::number(i % 97));
        if (arrival == QStringLiteral("index"))
            std::stable_sort(names.begin(), names.end(), [](const QString& a, const QString& b) {
                return a.compare(b, Qt::CaseInsensitive) < 0;
            });
        else if (arrival == QStringLiteral("reversed"))
            std::reverse(names.begin(), names.end());
        SortedListBox box;
        for (const QString& n : names)
            box.entries()->addUtf8(n.toUtf8());
        // A plain sort of the names with the list's comparison gives the same.
        QStringList expected = names;
        std::stable_sort(expected.begin(), expected.end(), SortedStringModel::lessThan);
        QCOMPARE(entries(box), expected);
    }

    void clearEmpties() {
        SortedListBox box;
        box.addItem("a");
        box.addItem("b");
        box.setListIndex(1);
        QSignalSpy clicked(&box, &SortedListBox::clicked);
        box.clear();
        QCOMPARE(box.listCount(), 0);
        QCOMPARE(box.listIndex(), -1);
        QCOMPARE(box.text(), QString());
        QCOMPARE(clicked.count(), 0);
        box.addItem("c");
        QCOMPARE(entries(box), QStringList{"c"});
        QCOMPARE(box.listIndex(), -1);
    }

    void setListIndexEmitsOncePerChange() {
        SortedListBox box;
        for (const char* s : {"c", "a", "b"})
            box.addItem(s);
        QSignalSpy clicked(&box, &SortedListBox::clicked);
        QCOMPARE(box.listIndex(), -1);
        QCOMPARE(box.text(), QString());
        box.setListIndex(0);
        QCOMPARE(clicked.count(), 1);
        QCOMPARE(box.text(), QStringLiteral("a"));
        box.setListIndex(0);
        QCOMPARE(clicked.count(), 1);
        box.setListIndex(2);
        QCOMPARE(clicked.count(), 2);
        QCOMPARE(box.listIndex(), 2);
        QCOMPARE(box.text(), QStringLiteral("c"));
        QCOMPARE(box.selectionModel()->selectedIndexes().size(), 1);
        box.setListIndex(-1);
        QCOMPARE(clicked.count(), 3);
        QCOMPARE(box.listIndex(), -1);
        QVERIFY(box.selectionModel()->selectedIndexes().isEmpty());
        box.setListIndex(-1);
        QCOMPARE(clicked.count(), 3);
        // Out of range clears like -1.
        box.setListIndex(1);
        box.setListIndex(7);
        QCOMPARE(box.listIndex(), -1);
        QCOMPARE(clicked.count(), 5);
    }

    void handlerSeesNewSelection() {
        SortedListBox box;
        box.addItem("a");
        box.addItem("b");
        QString seen;
        int seenIndex = -2;
        connect(&box, &SortedListBox::clicked, &box, [&] {
            seen = box.text();
            seenIndex = box.listIndex();
        });
        box.setListIndex(1);
        QCOMPARE(seen, QStringLiteral("b"));
        QCOMPARE(seenIndex, 1);
    }

    void addingKeepsSelectedEntry_data() {
        QTest::addColumn<QStringList>("added");
        QTest::newRow("before it") << QStringList{"a", "B", "aa"};
        QTest::newRow("after it") << QStringList{"x", "y"};
        QTest::newRow("equal to it") << QStringList{"m", "M"};
    }
    void addingKeepsSelectedEntry() {
        QFETCH(QStringList, added);
        SortedListBox box;
        for (const char* s : {"k", "m", "z"})
            box.addItem(s);
        box.setListIndex(1);
        QCOMPARE(box.text(), QStringLiteral("m"));
        QSignalSpy clicked(&box, &SortedListBox::clicked);
        for (const QString& s : added)
            box.addItem(s);
        QCOMPARE(box.text(), QStringLiteral("m"));
        QCOMPARE(box.list(box.listIndex()), QStringLiteral("m"));
        QCOMPARE(box.listCount(), 3 + added.size());
        QCOMPARE(box.currentIndex().row(), box.listIndex());
        QCOMPARE(clicked.count(), 0);
    }

    void mouse() {
        SortedListBox box;
        box.resize(200, 300);
        for (const char* s : {"a", "b", "c"})
            box.addItem(s);
        box.show();
        QVERIFY(QTest::qWaitForWindowExposed(&box));
        box.setListIndex(0);
        QSignalSpy clicked(&box, &SortedListBox::clicked);
        QSignalSpy down(&box, &SortedListBox::mouseDown);

        press(box, Qt::RightButton, 2);
        QCOMPARE(down.count(), 1);
        QCOMPARE(down[0][0].value<Qt::MouseButton>(), Qt::RightButton);
        const QPoint at = box.visualRect(box.model()->index(2, 0)).center();
        QCOMPARE(down[0][2].toPoint(), QPoint(Twips::toTwips(at.x()), Twips::toTwips(at.y())));
        QCOMPARE(box.listIndex(), 0);
        QCOMPARE(box.text(), QStringLiteral("a"));
        QCOMPARE(box.selectionModel()->selectedIndexes().size(), 1);
        QCOMPARE(box.selectionModel()->selectedIndexes().first().row(), 0);
        QCOMPARE(clicked.count(), 0);

        press(box, Qt::LeftButton, 1);
        QCOMPARE(down.count(), 2);
        QCOMPARE(down[1][0].value<Qt::MouseButton>(), Qt::LeftButton);
        QCOMPARE(box.listIndex(), 1);
        QCOMPARE(box.text(), QStringLiteral("b"));
        QCOMPARE(clicked.count(), 1);

        // Clicking the selected entry again changes nothing.
        press(box, Qt::LeftButton, 1);
        QCOMPARE(clicked.count(), 1);
        QCOMPARE(box.listIndex(), 1);
    }
};

QTEST_MAIN(tst_SortedListBox)
#include "tst_sortedlistbox.moc"
