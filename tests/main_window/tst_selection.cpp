#include "support/Harness.h"

#include "platform/Twips.h"

#include <QLabel>
#include <QMenu>
#include <QMouseEvent>

namespace {
const QString longName = QString(3000, QLatin1Char('x')) + QStringLiteral("'end");
} // namespace

class tst_selection : public QObject {
    Q_OBJECT
private slots:
    void fillSortsWithoutRegardToCase();
    void selectionShowsTheFirstMatchingContact_data();
    void selectionShowsTheFirstMatchingContact();
    void selectionStatementDoublesApostrophes();
    void selectingByClickShowsTheContact();
    void nullNamesAreListedByCompanyOnly();
    void companyViewAndBack();
    void companyViewOfAnEmptyListLeavesTheList();
    void refreshReturnsToPersonNames();
    void rightButtonShowsThePopUpAndKeepsTheSelection();
    void popUpRefreshRefillsTheList();
    void selectionOfAListThatBecameUnreadable();
};

void tst_selection::fillSortsWithoutRegardToCase() {
    Harness h;
    h.startWith({{"b"}, {"A"}, {"c"}});
    QCOMPARE(h.entries(), (QStringList{"A", "b", "c"}));
}

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
    QTest::newRow("apostrophe") << QList<QStringList>{{"O'Brien", "Irish"}, {"OBrien", "Plain"}}
                                << "O'Brien" << 0 << "Irish";
    QTest::newRow("two apostrophes in a row")
        << QList<QStringList>{{"a''b", "Two"}, {"a'b", "One"}} << "a''b" << 0 << "Two";
    QTest::newRow("quotes") << QList<QStringList>{{"Say \"Hi\"", "Q"}} << "Say \"Hi\"" << 0 << "Q";
    QTest::newRow("percent, not a pattern")
        << QList<QStringList>{{"100% Ltd", "Pct"}, {"100x Ltd", "X"}} << "100% Ltd" << 0 << "Pct";
    QTest::newRow("underscore, not a pattern")
        << QList<QStringList>{{"a_b", "U"}, {"axb", "X"}} << "axb" << 0 << "X";
    QTest::newRow("backslash") << QList<QStringList>{{"C:\\new\\", "Slash"}, {"C:", "Drive"}}
                               << "C:\\new\\" << 0 << "Slash";
    QTest::newRow("non-ASCII letters, any case")
        << QList<QStringList>{{"ÆRØ Åsa", "Upper"}, {"ærø åsa", "Lower"}} << "ærø åsa" << 0
        << "Upper";
    QTest::newRow("cyrillic and CJK")
        << QList<QStringList>{{"Пётр 李", "P"}, {"Петр", "Q"}} << "Пётр 李" << 0 << "P";
    QTest::newRow("empty name") << QList<QStringList>{{"", "Nameless"}, {"Named", "N"}} << "" << 0
                                << "Nameless";
    QTest::newRow("very long name")
        << QList<QStringList>{{longName, "Long"}, {"Short", "S"}} << longName << 0 << "Long";
    QTest::newRow("statement cannot be broken out of")
        << QList<QStringList>{{"Other", "Wrong"}, {"x' or '1'='1", "Right"}} << "x' or '1'='1" << 0
        << "Right";
    QTest::newRow("second statement is text")
        << QList<QStringList>{{"Other", "Wrong"}, {"x'; delete from pName2; --", "Right"}}
        << "x'; delete from pName2; --" << 0 << "Right";
    QTest::newRow("comment and bracket are text")
        << QList<QStringList>{{"Other", "Wrong"}, {"a') /*", "Right"}} << "a') /*" << 0 << "Right";
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

void tst_selection::selectionStatementDoublesApostrophes() {
    Harness h;
    pList& w = h.startWith({{"'O''Neil'", "Co"}});
    QCOMPARE(w.Data1->recordSource(),
             QStringLiteral("select * from pName2 where pName='''O''''Neil'''"));
    QCOMPARE(w.Text1->text(), QStringLiteral("'O''Neil'"));
    w.LoadCompany_Click(0);
    QCOMPARE(w.Data1->recordSource(),
             QStringLiteral("select * from pName2 where CompanyName='Co'"));
}

void tst_selection::selectingByClickShowsTheContact() {
    Harness h;
    pList& w = h.startWith({{"Alice", "A Co"}, {"Bob", "B Co", "2 High St", "", "Town", "ST"}});
    const QRect second = w.List1->visualRect(w.List1->model()->index(1, 0));
    QTest::mouseClick(w.List1->viewport(), Qt::LeftButton, {}, second.center());
    QCOMPARE(w.List1->listIndex(), 1);
    QCOMPARE(w.Text1->text(), QStringLiteral("Bob"));
    QCOMPARE(w.Text7->text(), QStringLiteral("2 High St"));
    QCOMPARE(w.Text8->text(), QStringLiteral("Town"));
    QCOMPARE(w.Text9->text(), QStringLiteral("ST"));
    // By keyboard as well.
    w.List1->setFocus();
    QTest::keyClick(w.List1, Qt::Key_Up);
    QCOMPARE(w.List1->listIndex(), 0);
    QCOMPARE(w.Text1->text(), QStringLiteral("Alice"));
}

void tst_selection::nullNamesAreListedByCompanyOnly() {
    Harness h;
    pList& w =
        h.startWith({{QString(), "Acme"}, {"Bob", QString()}, {"Carl", ""}, {"Dan", "Acme"}});
    QCOMPARE(h.entries(), (QStringList{"Bob", "Carl", "Dan"}));
    w.LoadCompany->trigger();
    // Hidden and disabled: the trigger does nothing; the handler is the only way.
    QCOMPARE(int(Globals::listDisplayMode), 1);
    w.LoadCompany_Click(0);
    QCOMPARE(h.entries(), (QStringList{"Acme", "Acme"}));
}

void tst_selection::companyViewAndBack() {
    Harness h;
    pList& w = h.startWith({{"Zed", "Beta"}, {"Amy", "alpha"}, {"Max", "Beta"}, {"Nia", ""}});
    w.LoadCompany_Click(0);
    QCOMPARE(w.Label6->text(), QStringLiteral("Company Name"));
    QCOMPARE(int(Globals::listDisplayMode), 2);
    QCOMPARE(h.entries(), (QStringList{"alpha", "Beta", "Beta"}));
    QCOMPARE(w.List1->listIndex(), 0);
    QCOMPARE(w.Text1->text(), QStringLiteral("Amy"));
    // Either "Beta" entry shows the first contact of that company in table order.
    w.List1->setListIndex(2);
    QCOMPARE(w.Text1->text(), QStringLiteral("Zed"));
    QCOMPARE(Globals::sharedContactRecordset, nullptr);

    w.LoadIndiv_Click(0);
    QCOMPARE(w.Label6->text(), QStringLiteral("Individual Name"));
    QCOMPARE(int(Globals::listDisplayMode), 1);
    QCOMPARE(h.entries(), (QStringList{"Amy", "Max", "Nia", "Zed"}));
    QCOMPARE(w.List1->listIndex(), 0);
    QCOMPARE(w.Text1->text(), QStringLiteral("Amy"));
    QCOMPARE(w.Text11->text(), QStringLiteral("alpha"));
}

void tst_selection::companyViewOfAnEmptyListLeavesTheList() {
    Harness h;
    pList& w = h.startWith({{"Solo", "Co"}});
    h.folder.addList(QStringLiteral("Empty.mdb"));
    Globals::currentListName = QStringLiteral("Empty.mdb");
    w.LoadCompany_Click(0);
    QCOMPARE(h.entries(), QStringList{"Solo"});
    QCOMPARE(w.Label6->text(), QStringLiteral("Company Name"));
    QCOMPARE(int(Globals::listDisplayMode), 2);
}

void tst_selection::refreshReturnsToPersonNames() {
    Harness h;
    pList& w = h.startWith({{"Amy", "Co1"}, {"Bob", "Co2"}});
    w.LoadCompany_Click(0);
    w.Refresh->trigger();
    QCOMPARE(w.Label6->text(), QStringLiteral("Individual Name"));
    QCOMPARE(int(Globals::listDisplayMode), 1);
    QCOMPARE(h.entries(), (QStringList{"Amy", "Bob"}));
    QCOMPARE(w.List1->listIndex(), -1);
    QCOMPARE(w.Data1->recordSource(), QStringLiteral("pName2"));
}

void tst_selection::rightButtonShowsThePopUpAndKeepsTheSelection() {
    Harness h;
    pList& w = h.startWith({{"Amy"}, {"Bob"}, {"Cat"}});
    w.List1->setListIndex(1);
    const QPoint at = w.List1->visualRect(w.List1->model()->index(2, 0)).center();
    QTest::mouseClick(w.List1->viewport(), Qt::RightButton, {}, at);
    QVERIFY(w.mnuPop->isVisible());
    const QPoint client(Twips::toPixels(Twips::toTwips(at.x())),
                        Twips::toPixels(Twips::toTwips(at.y()) + 600));
    QCOMPARE(w.mnuPop->pos(), w.centralWidget()->mapToGlobal(client));
    w.mnuPop->close();
    QCOMPARE(w.List1->listIndex(), 1);
    QCOMPARE(w.Text1->text(), QStringLiteral("Bob"));

    // A context-menu request on the list changes nothing either.
    QContextMenuEvent menu(QContextMenuEvent::Mouse, at, w.List1->viewport()->mapToGlobal(at));
    QCoreApplication::sendEvent(w.List1->viewport(), &menu);
    QCOMPARE(w.List1->listIndex(), 1);
    // Other buttons show nothing.
    QTest::mouseClick(w.List1->viewport(), Qt::MiddleButton, {}, at);
    QVERIFY(!w.mnuPop->isVisible());
}

void tst_selection::popUpRefreshRefillsTheList() {
    Harness h;
    pList& w = h.startWith({{"Amy", "Zeta"}, {"Bob", "Alpha"}});
    w.LoadCompany_Click(0);
    QCOMPARE(h.entries(), (QStringList{"Alpha", "Zeta"}));
    w.mnuRefresh->trigger();
    QCOMPARE(h.entries(), (QStringList{"Amy", "Bob"}));
    QCOMPARE(w.Label6->text(), QStringLiteral("Individual Name"));
    QCOMPARE(w.List1->listIndex(), -1);
}

// A list file spoiled while it is open: selecting gives no crash and no message.
void tst_selection::selectionOfAListThatBecameUnreadable() {
    Harness h;
    pList& w = h.startWith({{"Amy"}, {"Bob"}});
    h.folder.write(QStringLiteral("Quillary.mdb"), QByteArray(8192, 'z'));
    w.List1->setListIndex(1);
    w.LoadCompany_Click(0);
    w.LoadIndiv_Click(0);
    w.Refresh->trigger();
    QCOMPARE(w.List1->listCount(), 0);
    QVERIFY(MsgBox::shown().isEmpty());
}

QTEST_MAIN(tst_selection)
#include "tst_selection.moc"
