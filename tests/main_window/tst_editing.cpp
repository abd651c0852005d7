#include "MainWindowHarness.h"

#include <QMenu>

using MsgBox::Answer;

class tst_editing : public QObject {
    Q_OBJECT
private slots:
    void editThenMoveStores_data();
    void editThenMoveStores();
    void addThenSelectStoresButListsAfterTheNextFill();
    void addAndSaveStoresAndStartsTheNextContact();
    void blankAddAndSaveStoresNothing();
    void addNewOnAnEmptyList();
    void deleteDialogues_data();
    void deleteDialogues();
    void deleteAsksWithTheFixedMessage();
    void deleteFromThePopUpMenu();
    void deleteInTheCompanyView();
    void deleteOnAnEmptyListDoesNothing();
    void deleteStoresAPendingEdit();
    void stateIsUpperCasedOnTab();
    void stateIsNotUpperCasedWhenAMenuOpens();
    void listFileSpoiledWhileOpen();
};

void tst_editing::editThenMoveStores_data() {
    QTest::addColumn<QString>("typed");
    QTest::newRow("plain") << QStringLiteral("12 New Road");
    QTest::newRow("apostrophe") << QStringLiteral("O'Hara's Lane");
    QTest::newRow("quotes and percent") << QStringLiteral("\"50%\" Corner");
    QTest::newRow("backslash") << QStringLiteral("C:\\dir\\");
    QTest::newRow("non-ASCII") << QStringLiteral("Straße Ærø 東京");
    QTest::newRow("statement text") << QStringLiteral("'); drop table pName2; --");
    QTest::newRow("emptied") << QString();
    QTest::newRow("very long") << QString(2000, QLatin1Char('w'));
}

void tst_editing::editThenMoveStores() {
    QFETCH(QString, typed);
    Harness h;
    pList& w = h.startWith({{"Amy", "A Co", "old address"}, {"Bob", "B Co"}});
    Harness::type(w.Text7, typed);
    h.select(QStringLiteral("Bob"));
    QCOMPARE(w.Text1->text(), QStringLiteral("Bob"));
    const QStringList amy = h.stored().at(0);
    QCOMPARE(amy.at(2), typed);
    QCOMPARE(amy.at(1), QStringLiteral("A Co"));
    // And back: the field shows what was stored.
    h.select(QStringLiteral("Amy"));
    QCOMPARE(w.Text7->text(), typed);
}

void tst_editing::addThenSelectStoresButListsAfterTheNextFill() {
    Harness h;
    pList& w = h.startWith({{"Amy"}, {"Bob"}});
    QTest::mouseClick(w.cmdAdd, Qt::LeftButton);
    QVERIFY(w.Text1->text().isEmpty());
    QCOMPARE(QApplication::focusWidget(), w.Text1);
    QTest::keyClicks(w.Text1, QStringLiteral("Eve O'Neil"));
    QTest::keyClicks(w.Text6, QStringLiteral("555-0100"));
    h.select(QStringLiteral("Bob"));
    QCOMPARE(h.storedNames(), (QStringList{"Amy", "Bob", "Eve O'Neil"}));
    QCOMPARE(h.stored().at(2).at(7), QStringLiteral("555-0100"));
    QCOMPARE(h.entries(), (QStringList{"Amy", "Bob"}));
    w.Refresh->trigger();
    QCOMPARE(h.entries(), (QStringList{"Amy", "Bob", "Eve O'Neil"}));
    h.select(QStringLiteral("Eve O'Neil"));
    QCOMPARE(w.Text6->text(), QStringLiteral("555-0100"));
}

void tst_editing::addAndSaveStoresAndStartsTheNextContact() {
    Harness h;
    pList& w = h.startWith({{"Bob"}});
    w.LoadCompany_Click(0);
    w.AddNew->trigger();
    QTest::keyClicks(w.Text1, QStringLiteral("Al"));
    QTest::keyClicks(w.Text5, QStringLiteral("line one"));
    QTest::mouseClick(w.smdSave, Qt::LeftButton);
    QCOMPARE(h.storedNames(), (QStringList{"Bob", "Al"}));
    QCOMPARE(h.stored().at(1).at(11), QStringLiteral("line one"));
    QCOMPARE(h.entries(), (QStringList{"Al", "Bob"}));
    QCOMPARE(w.List1->listIndex(), -1);
    QCOMPARE(w.Label6->text(), QStringLiteral("Individual Name"));
    QVERIFY(w.Text1->text().isEmpty());
    QVERIFY(w.Text5->toPlainText().isEmpty());
    QCOMPARE(QApplication::focusWidget(), w.Text1);
    // The fields are ready for the next contact.
    QTest::keyClicks(w.Text1, QStringLiteral("Cy"));
    QTest::mouseClick(w.smdSave, Qt::LeftButton);
    QCOMPARE(h.storedNames(), (QStringList{"Bob", "Al", "Cy"}));
}

void tst_editing::blankAddAndSaveStoresNothing() {
    Harness h;
    pList& w = h.startWith({{"Amy"}});
    QTest::mouseClick(w.cmdAdd, Qt::LeftButton);
    QTest::mouseClick(w.smdSave, Qt::LeftButton);
    QTest::mouseClick(w.smdSave, Qt::LeftButton);
    QCOMPARE(h.storedNames(), QStringList{"Amy"});
    QCOMPARE(h.entries(), QStringList{"Amy"});
    QCOMPARE(w.List1->listIndex(), -1);
    QVERIFY(w.Text1->text().isEmpty());
    // Choosing an entry drops the untouched new record.
    h.select(QStringLiteral("Amy"));
    QCOMPARE(w.Text1->text(), QStringLiteral("Amy"));
    QCOMPARE(h.stored().size(), 1);
}

void tst_editing::addNewOnAnEmptyList() {
    Harness h;
    pList& w = h.startWith({});
    w.AddNew->trigger();
    QTest::keyClicks(w.Text1, QStringLiteral("First"));
    w.Refresh->trigger();
    QCOMPARE(h.storedNames(), QStringList{"First"});
    QCOMPARE(h.entries(), QStringList{"First"});
}

void tst_editing::deleteDialogues_data() {
    QTest::addColumn<QList<QStringList>>("contacts");
    // Empty: nothing selected.
    QTest::addColumn<QString>("selected");
    QTest::addColumn<QList<Answer>>("answers");
    QTest::addColumn<QStringList>("asked");
    QTest::addColumn<QStringList>("companiesLeft");

    const QList<QStringList> twins = {{"Anne", "First"}, {"Bob", "B"}, {"Anne", "Second"}};
    QTest::newRow("OK deletes the first of two")
        << twins << "Anne" << QList<Answer>{Answer::Ok} << QStringList{"Delete Anne??"}
        << QStringList{"B", "Second"};
    QTest::newRow("cancel, then OK deletes the second only")
        << twins << "Anne" << QList<Answer>{Answer::Cancel, Answer::Ok}
        << QStringList{"Delete Anne??", "Delete Anne??"} << QStringList{"First", "B"};
    QTest::newRow("cancel both keeps both")
        << twins << "Anne" << QList<Answer>{Answer::Cancel, Answer::Cancel}
        << QStringList{"Delete Anne??", "Delete Anne??"} << QStringList{"First", "B", "Second"};
    QTest::newRow("case must agree exactly")
        << QList<QStringList>{{"anne", "Lower"}, {"Anne", "Upper"}} << "Anne"
        << QList<Answer>{Answer::Ok} << QStringList{"Delete Anne??"} << QStringList{"Lower"};
    QTest::newRow("no selection offers only empty names")
        << QList<QStringList>{{"", "Blank"}, {"Amy", "A"}, {QString(), "Null"}} << ""
        << QList<Answer>{Answer::Ok} << QStringList{"Delete ??"} << QStringList{"A", "Null"};
    QTest::newRow("last contact") << QList<QStringList>{{"Solo", "S"}} << "Solo"
                                  << QList<Answer>{Answer::Ok} << QStringList{"Delete Solo??"}
                                  << QStringList();
    QTest::newRow("apostrophes and percent")
        << QList<QStringList>{{"O'Brien 100%", "X"}, {"Other", "Y"}} << "O'Brien 100%"
        << QList<Answer>{Answer::Ok} << QStringList{"Delete O'Brien 100%??"} << QStringList{"Y"};
    QTest::newRow("non-ASCII") << QList<QStringList>{{"Jürgen Ærø", "X"}, {"JÜRGEN ÆRØ", "Y"}}
                               << "JÜRGEN ÆRØ" << QList<Answer>{Answer::Ok}
                               << QStringList{"Delete JÜRGEN ÆRØ??"} << QStringList{"X"};
}

void tst_editing::deleteDialogues() {
    QFETCH(QList<QStringList>, contacts);
    QFETCH(QString, selected);
    QFETCH(QList<Answer>, answers);
    Harness h;
    pList& w = h.startWith(contacts);
    if (selected.isEmpty())
        w.Refresh->trigger();
    else
        h.select(selected);
    MsgBox::clearShown();
    for (Answer a : answers)
        MsgBox::setNextAnswer(a);
    w.Delete->trigger();
    QStringList asked;
    for (const MsgBox::Shown& s : MsgBox::shown())
        asked << s.text;
    QTEST(asked, "asked");
    QStringList companies;
    for (const QStringList& row : h.stored())
        companies << row.at(1);
    QTEST(companies, "companiesLeft");
    // The list is rebuilt by person names, nothing selected.
    QStringList names;
    for (const QStringList& row : h.stored())
        if (!row.at(0).isNull())
            names << row.at(0);
    names.sort(Qt::CaseInsensitive);
    QCOMPARE(h.entries(), names);
    QCOMPARE(w.List1->listIndex(), -1);
    QCOMPARE(Globals::sharedContactRecordset, nullptr);
    if (names.isEmpty())
        QVERIFY(w.Text1->text().isEmpty() && w.Text11->text().isEmpty());
}

void tst_editing::deleteAsksWithTheFixedMessage() {
    Harness h;
    pList& w = h.startWith({{"Amy", "A Co"}, {"Bob", "B Co"}});
    h.select(QStringLiteral("Bob"));
    w.Delete_Click(0);
    QCOMPARE(MsgBox::shown().size(), 1);
    const MsgBox::Shown s = MsgBox::last();
    QCOMPARE(s.text, QStringLiteral("Delete Bob??"));
    QCOMPARE(s.title, QStringLiteral("Delete a Contact"));
    QCOMPARE(s.icon, MsgBox::Icon::Question);
    QCOMPARE(s.buttons, MsgBox::Buttons::OkCancel);
    QCOMPARE(s.defaultButton, Answer::Cancel);
    // The default is Cancel: nothing deleted.
    QCOMPARE(h.storedNames(), (QStringList{"Amy", "Bob"}));
}

void tst_editing::deleteFromThePopUpMenu() {
    Harness h;
    pList& w = h.startWith({{"Amy"}, {"Bob"}, {"Cat"}});
    h.select(QStringLiteral("Bob"));
    // The right button on another entry keeps "Bob" selected.
    const QPoint cat = w.List1->visualRect(w.List1->model()->index(2, 0)).center();
    QTest::mouseClick(w.List1->viewport(), Qt::RightButton, {}, cat);
    QVERIFY(w.mnuPop->isVisible());
    MsgBox::setNextAnswer(Answer::Ok);
    w.mnuDelContact->trigger();
    w.mnuPop->close();
    QCOMPARE(MsgBox::last().text, QStringLiteral("Delete Bob??"));
    QCOMPARE(h.storedNames(), (QStringList{"Amy", "Cat"}));
    QCOMPARE(h.entries(), (QStringList{"Amy", "Cat"}));
}

// The company view offers the contacts of the selected company.
void tst_editing::deleteInTheCompanyView() {
    Harness h;
    pList& w = h.startWith({{"Amy", "Acme"}, {"Bob", "Other"}, {"Cy", "Acme"}});
    w.LoadCompany_Click(0);
    QCOMPARE(w.List1->text(), QStringLiteral("Acme"));
    MsgBox::clearShown();
    MsgBox::setNextAnswer(Answer::Cancel);
    MsgBox::setNextAnswer(Answer::Ok);
    w.Delete->trigger();
    QCOMPARE(MsgBox::shown().size(), 2);
    QCOMPARE(MsgBox::shown().at(0).text, QStringLiteral("Delete Amy??"));
    QCOMPARE(MsgBox::shown().at(1).text, QStringLiteral("Delete Cy??"));
    QCOMPARE(h.storedNames(), (QStringList{"Amy", "Bob"}));
    QCOMPARE(w.Label6->text(), QStringLiteral("Individual Name"));
}

void tst_editing::deleteOnAnEmptyListDoesNothing() {
    Harness h;
    pList& w = h.startWith({});
    w.Delete->trigger();
    QVERIFY(MsgBox::shown().isEmpty());
    // A selection that finds nothing (the contact was renamed since the last
    // fill): no question, no refill.
    Harness h2;
    pList& w2 = h2.startWith({{"Amy"}, {"Bob"}});
    h2.select(QStringLiteral("Bob"));
    Harness::type(w2.Text1, QStringLiteral("Bobby"));
    w2.List1->setListIndex(0);
    w2.List1->setListIndex(1);
    QVERIFY(w2.Text1->text().isEmpty());
    w2.Delete->trigger();
    QVERIFY(MsgBox::shown().isEmpty());
    QCOMPARE(h2.entries(), (QStringList{"Amy", "Bob"}));
    QCOMPARE(w2.List1->listIndex(), 1);
    QCOMPARE(h2.storedNames(), (QStringList{"Amy", "Bobby"}));
    QCOMPARE(w.List1->listCount(), 0);
}

void tst_editing::deleteStoresAPendingEdit() {
    Harness h;
    pList& w = h.startWith({{"Amy"}, {"Bob"}});
    h.select(QStringLiteral("Amy"));
    Harness::type(w.Text8, QStringLiteral("Edited"));
    MsgBox::setNextAnswer(Answer::Cancel);
    w.Delete->trigger();
    QCOMPARE(h.stored().at(0).at(4), QStringLiteral("Edited"));
    QCOMPARE(h.stored().size(), 2);
}

void tst_editing::stateIsUpperCasedOnTab() {
    Harness h;
    pList& w = h.startWith({{"Amy", "", "", "", "Town", "ny"}, {"Bob"}});
    QCOMPARE(w.Text9->text(), QStringLiteral("ny"));
    // Leaving without typing counts as well: the text changes.
    w.Text9->setFocus(Qt::TabFocusReason);
    Harness::leave(w.Text9);
    QCOMPARE(w.Text9->text(), QStringLiteral("NY"));
    QVERIFY(w.Data1->dataChanged());

    Harness::type(w.Text9, QStringLiteral("ca"));
    QTest::keyClick(w.Text9, Qt::Key_Tab);
    if (QApplication::focusWidget() != w.Text10)
        Harness::leave(w.Text9);
    QCOMPARE(w.Text9->text(), QStringLiteral("CA"));
    h.select(QStringLiteral("Bob"));
    QCOMPARE(h.stored().at(0).at(5), QStringLiteral("CA"));
    QVERIFY(!w.Data1->dataChanged());
}

void tst_editing::stateIsNotUpperCasedWhenAMenuOpens() {
    Harness h;
    pList& w = h.startWith({{"Amy"}});
    Harness::type(w.Text9, QStringLiteral("tx"));
    Harness::leave(w.Text9, Qt::PopupFocusReason);
    Harness::leave(w.Text9, Qt::MenuBarFocusReason);
    Harness::leave(w.Text9, Qt::ActiveWindowFocusReason);
    QCOMPARE(w.Text9->text(), QStringLiteral("tx"));
    Harness::leave(w.Text9, Qt::MouseFocusReason);
    QCOMPARE(w.Text9->text(), QStringLiteral("TX"));
}

// Spoiling the open list file gives no crash; once it is good again the window
// works on it as before, and what was stored before is still there.
void tst_editing::listFileSpoiledWhileOpen() {
    Harness h;
    pList& w = h.startWith({{"Amy"}, {"Bob"}});
    Harness::type(w.Text8, QStringLiteral("Stored"));
    h.select(QStringLiteral("Bob"));
    const QByteArray good = h.folder.read(QStringLiteral("Quillary.mdb"));
    h.folder.write(QStringLiteral("Quillary.mdb"), QByteArray(good.size(), '\xff'));
    h.select(QStringLiteral("Amy"));
    w.AddNew->trigger();
    QTest::keyClicks(w.Text1, QStringLiteral("New"));
    MsgBox::setNextAnswer(Answer::Ok);
    w.Delete->trigger();
    w.smdSave->click();
    w.LoadCompany_Click(0);
    w.LoadIndiv_Click(0);
    QCOMPARE(w.List1->listCount(), 0);

    h.folder.write(QStringLiteral("Quillary.mdb"), good);
    // Only the data control's reports of stores it could not make; no question
    // about deleting anything.
    for (const MsgBox::Shown& s : MsgBox::shown())
        QCOMPARE(s.icon, MsgBox::Icon::Exclamation);

    // The contact typed meanwhile waited and is stored now.
    w.Refresh->trigger();
    QCOMPARE(h.entries(), (QStringList{"Amy", "Bob", "New"}));
    h.select(QStringLiteral("Amy"));
    QCOMPARE(w.Text8->text(), QStringLiteral("Stored"));
    w.close();
    QCOMPARE(h.storedNames(), (QStringList{"Amy", "Bob", "New"}));
    QCOMPARE(h.stored().at(0).at(4), QStringLiteral("Stored"));
}

QTEST_MAIN(tst_editing)
#include "tst_editing.moc"
