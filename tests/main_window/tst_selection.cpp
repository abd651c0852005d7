// SPDX-License-Identifier: GPL-3.0-or-later
#include "support/Harness.h"

#include <QMenu>
#include <functional>

namespace {
using Step = std::function<void(Harness&)>;

// A click where the entry lies, given to the window as the pointer would.
void clickEntry(pList& w, int row, Qt::KeyboardModifiers keys = {},
                Qt::MouseButton button = Qt::LeftButton) {
    const QRect r = w.List1->visualRect(w.List1->model()->index(row, 0));
    QTest::mouseClick(w.windowHandle(), button, keys, w.List1->viewport()->mapTo(&w, r.center()));
}

// The rows shown highlighted.
QList<int> highlighted(const pList& w) {
    QList<int> rows;
    for (const QModelIndex& i : w.List1->selectionModel()->selectedIndexes())
        rows << i.row();
    return rows;
}
} // namespace
Q_DECLARE_METATYPE(Step)

class tst_selection : public QObject {
    Q_OBJECT
private slots:
    // The first contact in table order whose name equals the entry, without regard
    // to case (any letters), shows; the entry's text is never part of the statement.
    void selectionShowsTheFirstMatchingContact_data() {
        QTest::addColumn<QString>("entry");
        QTest::addColumn<int>("occurrence"); // which of the equal entries is chosen
        QTest::addColumn<QString>("company");
        QTest::newRow("duplicate, second entry") << "Anne" << 1 << "First";
        QTest::newRow("names alike but for case") << "anne" << 0 << "First";
        QTest::newRow("two apostrophes in a row") << "a''b" << 0 << "Two";
        QTest::newRow("percent, not a pattern") << "100% Ltd" << 0 << "Pct";
        QTest::newRow("non-ASCII letters, any case") << "ærø åsa" << 0 << "Upper";
        QTest::newRow("a blank at the end is part of the name") << "Zoe " << 0 << "Z2";
        QTest::newRow("statement cannot be broken out of")
            << "x'); DROP TABLE pName2; --" << 0 << "Right";
    }
    void selectionShowsTheFirstMatchingContact() {
        QFETCH(QString, entry);
        QFETCH(int, occurrence);
        Harness h;
        pList& w = h.startWith({{"Zoe", "Z1"},
                                {"Zoe ", "Z2"},
                                {"Anne", "First"},
                                {"Anne", "Second"},
                                {"anne", "Third"},
                                {"a'b", "One"},
                                {"a''b", "Two"},
                                {"100x Ltd", "X"},
                                {"100% Ltd", "Pct"},
                                {"ÆRØ Åsa", "Upper"},
                                {"ærø åsa", "Lower"},
                                {"x'); DROP TABLE pName2; --", "Right"}});
        const QStringList all = h.entries();
        int row = -1;
        for (int seen = -1; seen < occurrence;)
            if (all.at(++row) == entry)
                ++seen;
        clickEntry(w, row == 0 ? 1 : 0);
        clickEntry(w, row);
        QCOMPARE(w.List1->listIndex(), row);
        QTEST(w.Text11->text(), "company");
        QCOMPARE(h.stored().size(), 12);
        QVERIFY(MsgBox::shown().isEmpty());
    }
    // A contact without a person name is listed by company only; an empty company
    // is not listed. Either refresh goes back to person names with nothing selected.
    // A fill of a list that cannot be opened leaves the list as it was and selects
    // nothing; an empty list leaves the list as it was and selects its first entry.
    void selectionChanges_data() {
        QTest::addColumn<Step>("act");
        QTest::addColumn<QStringList>("entries");
        QTest::addColumn<QString>("caption");
        QTest::addColumn<int>("selected");
        QTest::addColumn<QString>("company");
        const QStringList people = {"Amy", "Max", "Nia", "Zed"};
        QTest::newRow("company names")
            << Step([](Harness& h) { h.window->LoadCompany_Click(0); })
            << QStringList{"Acme", "alpha", "Beta", "Beta"} << "Company Name" << 0 << "Acme";
        QTest::newRow("back to person names") << Step([](Harness& h) {
            h.window->LoadCompany_Click(0);
            h.window->LoadIndiv_Click(0);
        }) << people << "Individual Name" << 0 << "alpha";
        // Each refresh alone goes back to person names.
        QTest::newRow("refresh from the menu, then from the pop-up menu") << Step([](Harness& h) {
            h.window->LoadCompany_Click(0);
            h.window->Refresh->trigger();
            h.window->LoadCompany_Click(0);
            h.window->mnuRefresh->trigger();
        }) << people << "Individual Name" << -1 << "";
        const auto other = [](QByteArray file, bool company) {
            return Step([=](Harness& h) {
                if (file.isEmpty())
                    h.folder.addList(QStringLiteral("Other.mdb"));
                else
                    h.folder.write(QStringLiteral("Other.mdb"), file);
                h.window->globals().currentListName = QStringLiteral("Other.mdb");
                company ? h.window->LoadCompany_Click(0) : h.window->LoadIndiv_Click(0);
            });
        };
        QTest::newRow("cannot be opened, person names")
            << other("not a list", false) << people << "Individual Name" << -1 << "";
        QTest::newRow("cannot be opened, company names")
            << other("not a list", true) << people << "Company Name" << -1 << "";
        QTest::newRow("empty list, company names")
            << other({}, true) << people << "Company Name" << 0 << "";
        // A click or a key selects and shows the contact. The focus arriving in the
        // list, a click on the entry already selected and other buttons than the
        // left select nothing and show no other contact.
        QTest::newRow("click") << Step([](Harness& h) { clickEntry(*h.window, 1); }) << people
                               << "Individual Name" << 1 << "Beta";
        QTest::newRow("Tab into the list with nothing selected: Space, then Down")
            << Step([](Harness& h) {
                   h.window->Refresh->trigger();
                   QCoreApplication::processEvents();
                   h.window->cmdAdd->setFocus(Qt::TabFocusReason);
                   QTest::keyClick(h.window->windowHandle(), Qt::Key_Tab);
                   QCOMPARE(QApplication::focusWidget(), h.window->List1);
                   QTest::keyClick(h.window->windowHandle(), Qt::Key_Space);
                   QCOMPARE(highlighted(*h.window), QList<int>{});
                   QTest::keyClick(h.window->windowHandle(), Qt::Key_Down);
               })
            << people << "Individual Name" << 0 << "alpha";
        QTest::newRow("Shift+Tab from the name field after Save Changes, window activated again")
            << Step([](Harness& h) {
                   h.window->smdSave->click();
                   QTest::keyClick(h.window->windowHandle(), Qt::Key_Tab, Qt::ShiftModifier);
                   QCOMPARE(QApplication::focusWidget(), h.window->List1);
                   QCoreApplication::processEvents();
                   QWidget elsewhere;
                   elsewhere.show();
                   QApplication::setActiveWindow(&elsewhere);
                   QApplication::setActiveWindow(h.window.get());
               })
            << people << "Individual Name" << -1 << "";
        QTest::newRow("Ctrl+click on the selected entry") << Step([](Harness& h) {
            clickEntry(*h.window, 1);
            clickEntry(*h.window, 1, Qt::ControlModifier);
        }) << people << "Individual Name" << 1 << "Beta";
        QTest::newRow("Ctrl+Space on the selected entry") << Step([](Harness& h) {
            clickEntry(*h.window, 1);
            QTest::keyClick(h.window->windowHandle(), Qt::Key_Space, Qt::ControlModifier);
        }) << people << "Individual Name" << 1 << "Beta";
        QTest::newRow("middle and right button") << Step([](Harness& h) {
            clickEntry(*h.window, 1, {}, Qt::MiddleButton);
            QVERIFY(!h.window->mnuPop->isVisible());
            clickEntry(*h.window, 1, {}, Qt::RightButton);
            QVERIFY(h.window->mnuPop->isVisible());
            // At the pointer's place in the list taken in the client area, 600 twips lower.
            const QPoint at =
                h.window->List1->visualRect(h.window->List1->model()->index(1, 0)).center();
            QCOMPARE(h.window->mnuPop->pos(),
                     h.window->centralWidget()->mapToGlobal(at + QPoint(0, 40)));
            h.window->mnuPop->close();
        }) << people << "Individual Name" << 0 << "alpha";
    }
    void selectionChanges() {
        QFETCH(Step, act);
        QFETCH(int, selected);
        Harness h;
        pList& w = h.startWith(
            {{"Zed", "Beta"}, {"Amy", "alpha"}, {"Max", "Beta"}, {"Nia", ""}, {QString(), "Acme"}});
        act(h);
        QTEST(h.entries(), "entries");
        QTEST(w.Label6->text(), "caption");
        QCOMPARE(highlighted(w), selected < 0 ? QList<int>{} : QList<int>{selected});
        QCOMPARE(w.List1->listIndex(), selected);
        QTEST(w.Text11->text(), "company");
        // Nothing selected: no contact was looked up.
        if (selected < 0)
            QCOMPARE(w.Data1->recordSource(), QStringLiteral("pName2"));
        QVERIFY(MsgBox::shown().isEmpty());
    }
};

QTEST_MAIN(tst_selection)
#include "tst_selection.moc"
