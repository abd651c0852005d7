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
    void selectionShowsTheFirstMatchingContact_data();
    void selectionShowsTheFirstMatchingContact();
    void clickAndKeysSelect();
    void personAndCompanyViews_data();
    void personAndCompanyViews();
    void focusAndOtherClicksKeepTheSelection_data();
    void focusAndOtherClicksKeepTheSelection();
    void fillOfAnotherFile_data();
    void fillOfAnotherFile();
};

void tst_selection::selectionShowsTheFirstMatchingContact_data() {
    QTest::addColumn<QList<QStringList>>("contacts");
    QTest::addColumn<QString>("entry");
    // Which of the equal entries is chosen.
    QTest::addColumn<int>("occurrence");
    // Company of the contact expected in the fields.
    QTest::addColumn<QString>("company");

    const QList<QStringList> twins = {{"Zoe", "Z1"}, {"Anne", "First"}, {"Anne", "Second"}};
    QTest::newRow("duplicate, first entry") << twins << "Anne" << 0 << "First";
    QTest::newRow("duplicate, second entry") << twins << "Anne" << 1 << "First";
    QTest::newRow("names alike but for case")
        << QList<QStringList>{{"anne", "Lower"}, {"Anne", "Upper"}} << "Anne" << 0 << "Lower";
    QTest::newRow("two apostrophes in a row")
        << QList<QStringList>{{"a''b", "Two"}, {"a'b", "One"}} << "a''b" << 0 << "Two";
    QTest::newRow("percent, not a pattern")
        << QList<QStringList>{{"100% Ltd", "Pct"}, {"100x Ltd", "X"}} << "100% Ltd" << 0 << "Pct";
    QTest::newRow("non-ASCII letters, any case")
        << QList<QStringList>{{"ÆRØ Åsa", "Upper"}, {"ærø åsa", "Lower"}} << "ærø åsa" << 0
        << "Upper";
    QTest::newRow("statement cannot be broken out of")
        << QList<QStringList>{{"Other", "Wrong"}, {"x' or '1'='1", "Right"}} << "x' or '1'='1" << 0
        << "Right";
}

void tst_selection::selectionShowsTheFirstMatchingContact() {
    QFETCH(QList<QStringList>, contacts);
    QFETCH(QString, entry);
    QFETCH(int, occurrence);
    Harness h;
    pList& w = h.startWith(contacts);
    const QStringList all = h.entries();
    int row = -1;
    for (int seen = -1; seen < occurrence;)
        if (all.at(++row) == entry)
            ++seen;
    // Start from another entry, so that choosing this one is a change.
    w.List1->setListIndex(row == 0 && all.size() > 1 ? 1 : 0);
    w.List1->setListIndex(row);
    QCOMPARE(w.List1->listIndex(), row);
    QTEST(w.Text11->text(), "company");
    QCOMPARE(h.stored().size(), contacts.size());
    QVERIFY(MsgBox::shown().isEmpty());
}

void tst_selection::clickAndKeysSelect() {
    Harness h;
    pList& w = h.startWith({{"Alice", "A Co"}, {"Bob", "B Co", "2 High St", "", "Town", "ST"}});
    clickEntry(w, 1);
    QCOMPARE(w.List1->listIndex(), 1);
    QCOMPARE(w.Text1->text(), QStringLiteral("Bob"));
    QCOMPARE(w.Text7->text(), QStringLiteral("2 High St"));
    QCOMPARE(w.Text9->text(), QStringLiteral("ST"));
    QTest::keyClick(w.windowHandle(), Qt::Key_Up);
    QCOMPARE(w.Text1->text(), QStringLiteral("Alice"));
    // With nothing selected, a key selects the first entry.
    w.Refresh->trigger();
    QCoreApplication::processEvents();
    QTest::keyClick(w.windowHandle(), Qt::Key_Down);
    QCOMPARE(w.List1->listIndex(), 0);
    QCOMPARE(w.Text1->text(), QStringLiteral("Alice"));
}

// A contact without a person name is listed by company only; an empty company
// is not listed. Either refresh goes back to person names with nothing selected.
void tst_selection::personAndCompanyViews_data() {
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
}

void tst_selection::personAndCompanyViews() {
    QFETCH(Step, act);
    QFETCH(int, selected);
    Harness h;
    pList& w = h.startWith(
        {{"Zed", "Beta"}, {"Amy", "alpha"}, {"Max", "Beta"}, {"Nia", ""}, {QString(), "Acme"}});
    act(h);
    QTEST(h.entries(), "entries");
    QTEST(w.Label6->text(), "caption");
    QCOMPARE(w.List1->listIndex(), selected);
    if (selected >= 0)
        QTEST(w.Text11->text(), "company");
    QCOMPARE(Globals::sharedContactRecordset, nullptr);
}

// The focus arriving in the list, a click on the entry already selected and
// other buttons than the left select nothing and show no other contact.
void tst_selection::focusAndOtherClicksKeepTheSelection_data() {
    QTest::addColumn<Step>("act");
    QTest::addColumn<int>("selected");
    QTest::addColumn<QString>("name");
    QTest::newRow("Shift+Tab from the name field after Save Changes") << Step([](Harness& h) {
        h.window->smdSave->click();
        QTest::keyClick(h.window->windowHandle(), Qt::Key_Tab, Qt::ShiftModifier);
        QCOMPARE(QApplication::focusWidget(), h.window->List1);
    }) << -1 << "";
    QTest::newRow("window activated again after a refresh") << Step([](Harness& h) {
        clickEntry(*h.window, 1);
        h.window->Refresh->trigger();
        QCoreApplication::processEvents();
        QWidget other;
        other.show();
        QApplication::setActiveWindow(&other);
        QApplication::setActiveWindow(h.window.get());
        QCOMPARE(QApplication::focusWidget(), h.window->List1);
    }) << -1 << "";
    QTest::newRow("Ctrl+click and Ctrl+Space on the selected entry") << Step([](Harness& h) {
        clickEntry(*h.window, 1, Qt::ControlModifier);
        clickEntry(*h.window, 1, Qt::ControlModifier);
        QTest::keyClick(h.window->windowHandle(), Qt::Key_Space, Qt::ControlModifier);
    }) << 1 << "Bob";
    QTest::newRow("middle and right button; the pop-up menu") << Step([](Harness& h) {
        pList& w = *h.window;
        clickEntry(w, 1, {}, Qt::MiddleButton);
        QVERIFY(!w.mnuPop->isVisible());
        const QPoint at = w.List1->visualRect(w.List1->model()->index(1, 0)).center();
        QTest::mouseClick(w.List1->viewport(), Qt::RightButton, {}, at);
        // At the pointer's place in the list taken in the window's client area,
        // 600 twips (40 pixels) lower.
        QCOMPARE(w.mnuPop->pos(), w.centralWidget()->mapToGlobal(at + QPoint(0, 40)));
        w.mnuPop->close();
        QContextMenuEvent menu(QContextMenuEvent::Mouse, at, w.List1->viewport()->mapToGlobal(at));
        QCoreApplication::sendEvent(w.List1->viewport(), &menu);
    }) << 0 << "Amy";
}

void tst_selection::focusAndOtherClicksKeepTheSelection() {
    QFETCH(Step, act);
    QFETCH(int, selected);
    Harness h;
    pList& w = h.startWith({{"Amy"}, {"Bob"}});
    act(h);
    QCOMPARE(w.List1->listIndex(), selected);
    QCOMPARE(highlighted(w), selected < 0 ? QList<int>{} : QList<int>{selected});
    QTEST(w.Text1->text(), "name");
}

// A person or company fill of a list that cannot be opened leaves the list as
// it was, selects nothing and looks nothing up; an empty list leaves the list
// as it was and selects its first entry.
void tst_selection::fillOfAnotherFile_data() {
    QTest::addColumn<QByteArray>("file");
    QTest::addColumn<bool>("company");
    QTest::addColumn<int>("selected");
    QTest::addColumn<QString>("source");
    const QByteArray broken = "not a list at all";
    QTest::newRow("cannot be opened, person names") << broken << false << -1 << "pName2";
    QTest::newRow("cannot be opened, company names") << broken << true << -1 << "pName2";
    QTest::newRow("empty list, company names")
        << QByteArray() << true << 0 << "select * from pName2 where CompanyName='Amy'";
}

void tst_selection::fillOfAnotherFile() {
    QFETCH(QByteArray, file);
    QFETCH(bool, company);
    QFETCH(int, selected);
    Harness h;
    pList& w = h.startWith({{"Amy", "A"}, {"Bob", "B"}});
    w.List1->setListIndex(1);
    if (file.isEmpty())
        h.folder.addList(QStringLiteral("Other.mdb"));
    else
        h.folder.write(QStringLiteral("Other.mdb"), file);
    Globals::currentListName = QStringLiteral("Other.mdb");
    company ? w.LoadCompany_Click(0) : w.LoadIndiv_Click(0);
    QCOMPARE(h.entries(), (QStringList{"Amy", "Bob"}));
    QCOMPARE(w.List1->listIndex(), selected);
    QCOMPARE(highlighted(w), selected < 0 ? QList<int>{} : QList<int>{selected});
    QCOMPARE(w.Label6->text(), company ? QStringLiteral("Company Name") : "Individual Name");
    QTEST(w.Data1->recordSource(), "source");
    QVERIFY(MsgBox::shown().isEmpty());
}

QTEST_MAIN(tst_selection)
#include "tst_selection.moc"
