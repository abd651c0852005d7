#include "support/Harness.h"

using MsgBox::Answer;
using Rows = QList<QStringList>;

namespace {
// A stored contact as "name/company", or just the name when it has no company.
QStringList summaries(const Rows& rows) {
    QStringList out;
    for (const QStringList& r : rows)
        out << (r.value(1).isEmpty() ? r.value(0) : r.value(0) + QLatin1Char('/') + r.value(1));
    return out;
}
const char* refuseUpdates = "CREATE TRIGGER no BEFORE UPDATE ON pName2 BEGIN "
                            "SELECT RAISE(ABORT, 'refused'); END";
const char* refuseDeletes = "CREATE TRIGGER no BEFORE DELETE ON pName2 BEGIN "
                            "SELECT RAISE(ABORT, 'refused'); END";
} // namespace

class tst_editing : public QObject {
    Q_OBJECT
private slots:
    void storesAndDeletes_data();
    void storesAndDeletes();
};

// Each row works the window step by step as a user would, then compares the
// stored contacts, the list and the messages shown (each expected text is
// contained in the message shown at that place).
void tst_editing::storesAndDeletes_data() {
    QTest::addColumn<Rows>("contacts");
    // Run on the list before the window opens.
    QTest::addColumn<QString>("sql");
    // "type <field> <text>", "select <entry>", "menu <action>", "click add|save",
    // "answer Ok|Cancel", "leave <field> [menu]", "spoil", "restore", "show <field> <text>".
    QTest::addColumn<QStringList>("steps");
    QTest::addColumn<QStringList>("stored");
    QTest::addColumn<QStringList>("entries");
    QTest::addColumn<QStringList>("shown");

    const Rows two = {{"Amy", "A Co", "old address"}, {"Bob", "B Co"}};
    const QStringList both = {"Amy/A Co", "Bob/B Co"};
    const QStringList ab = {"Amy", "Bob"};
    for (const QString& typed :
         {QStringLiteral("O'Hara's \"50%\" C:\\dir\\ Straße Ærø 東京"),
          QStringLiteral("'); drop table pName2; --"), QString(), QString(2000, QLatin1Char('w'))})
        QTest::newRow(qPrintable("an edit is stored by a move: " + typed.left(20)))
            << two << QString()
            << QStringList{"type Text7 " + typed, "select Bob", "show Text1 Bob", "select Amy",
                           "show Text7 " + typed}
            << both << ab << QStringList();
    QTest::newRow("a new contact is stored by a move, listed from the next fill")
        << two << QString()
        << QStringList{"click add",         "type Text1 Eve O'Neil", "type Text6 555-0100",
                       "select Bob",        "show Text1 Bob",        "menu Refresh",
                       "select Eve O'Neil", "show Text6 555-0100"}
        << QStringList{"Amy/A Co", "Bob/B Co", "Eve O'Neil"}
        << QStringList{"Amy", "Bob", "Eve O'Neil"} << QStringList();
    QTest::newRow("Save Changes stores and starts the next contact")
        << Rows{{"Bob"}} << QString()
        << QStringList{"menu LoadCompany", "menu AddNew",   "type Text1 Al", "click save",
                       "show Text1 ",      "type Text1 Cy", "click save"}
        << QStringList{"Bob", "Al", "Cy"} << QStringList{"Al", "Bob", "Cy"} << QStringList();
    QTest::newRow("blank new contacts are never stored")
        << Rows{{"Amy"}} << QString()
        << QStringList{"click add", "click save", "click save", "select Amy", "show Text1 Amy"}
        << QStringList{"Amy"} << QStringList{"Amy"} << QStringList();
    QTest::newRow("typing with no record current starts a contact")
        << Rows{} << QString() << QStringList{"type Text1 Walk-in", "menu Refresh"}
        << QStringList{"Walk-in"} << QStringList{"Walk-in"} << QStringList();
    QTest::newRow("the state is upper-cased on leaving it, not when a menu opens")
        << Rows{{"Amy", "", "", "", "Town", "ny"}, {"Bob"}} << QString()
        << QStringList{"leave Text9",      "show Text9 NY", "type Text9 tx",
                       "leave Text9 menu", "show Text9 tx", "leave Text9",
                       "select Bob",       "select Amy",    "show Text9 TX"}
        << QStringList{"Amy", "Bob"} << ab << QStringList();
    QTest::newRow("an edit to a field the list lacks is reported when stored")
        << two << "ALTER TABLE pName2 DROP COLUMN pFax"
        << QStringList{"type Text3 555-0199", "click save"} << both << ab << QStringList{"pFax"};
    QTest::newRow("a refused store keeps the list and the edit")
        << two << refuseUpdates
        << QStringList{"type Text8 Edited", "menu Refresh", "show Text8 Edited"} << both << ab
        << QStringList{""};
    QTest::newRow("Save Changes reports a refused store once per attempt")
        << two << refuseUpdates
        << QStringList{"type Text8 Edited", "click save", "click save", "show Text8 Edited"} << both
        << ab << QStringList{"", ""};
    QTest::newRow("a spoiled file refuses, the contact typed waits for it")
        << Rows{{"Amy"}, {"Bob"}} << QString()
        << QStringList{"type Text8 Stored", "select Bob",     "spoil",        "select Amy",
                       "menu AddNew",       "type Text1 New", "answer Ok",    "menu Delete",
                       "click save",        "restore",        "menu Refresh", "select Amy",
                       "show Text8 Stored"}
        << QStringList{"Amy", "Bob", "New"} << QStringList{"Amy", "Bob", "New"}
        << QStringList{"", ""};

    const Rows twins = {{"Anne", "First"}, {"Bob", "B"}, {"Anne", "Second"}};
    const auto del = [](const QString& entry, const QStringList& answers) {
        QStringList steps{entry.isEmpty() ? "menu Refresh" : "select " + entry};
        for (const QString& a : answers)
            steps << "answer " + a;
        return steps << QStringLiteral("menu Delete");
    };
    QTest::newRow("OK deletes the first of two alike")
        << twins << QString() << del("Anne", {"Ok"}) << QStringList{"Bob/B", "Anne/Second"}
        << QStringList{"Anne", "Bob"} << QStringList{"Delete Anne??"};
    QTest::newRow("Cancel, then OK deletes the second only")
        << twins << QString() << del("Anne", {"Cancel", "Ok"}) << QStringList{"Anne/First", "Bob/B"}
        << QStringList{"Anne", "Bob"} << QStringList{"Delete Anne??", "Delete Anne??"};
    QTest::newRow("the default Cancel deletes nothing")
        << twins << QString() << del("Anne", {}) << summaries(twins)
        << QStringList{"Anne", "Anne", "Bob"} << QStringList{"Delete Anne??", "Delete Anne??"};
    QTest::newRow("letter case must agree")
        << Rows{{"anne", "Lower"}, {"Anne", "Upper"}} << QString() << del("Anne", {"Ok"})
        << QStringList{"anne/Lower"} << QStringList{"anne"} << QStringList{"Delete Anne??"};
    QTest::newRow("no selection offers only empty names")
        << Rows{{"", "Blank"}, {"Amy", "A"}, {QString(), "Null"}} << QString() << del("", {"Ok"})
        << QStringList{"Amy/A", "/Null"} << QStringList{"Amy"} << QStringList{"Delete ??"};
    QTest::newRow("the last contact")
        << Rows{{"Solo"}} << QString() << del("Solo", {"Ok"}) << QStringList() << QStringList()
        << QStringList{"Delete Solo??"};
    QTest::newRow("non-ASCII") << Rows{{"Jürgen Ærø", "X"}, {"JÜRGEN ÆRØ", "Y"}} << QString()
                               << del("JÜRGEN ÆRØ", {"Ok"}) << QStringList{"Jürgen Ærø/X"}
                               << QStringList{"Jürgen Ærø"} << QStringList{"Delete JÜRGEN ÆRØ??"};
    QTest::newRow("from the pop-up menu")
        << Rows{{"Amy"}, {"Bob"}} << QString()
        << QStringList{"select Bob", "answer Ok", "menu mnuDelContact"} << QStringList{"Amy"}
        << QStringList{"Amy"} << QStringList{"Delete Bob??"};
    QTest::newRow("the company view offers the company's contacts")
        << Rows{{"Amy", "Acme"}, {"Bob", "Other"}, {"Cy", "Acme"}} << QString()
        << QStringList{"menu LoadCompany", "answer Cancel", "answer Ok", "menu Delete"}
        << QStringList{"Amy/Acme", "Bob/Other"} << QStringList{"Amy", "Bob"}
        << QStringList{"Delete Amy??", "Delete Cy??"};
    QTest::newRow("an empty list: nothing asked")
        << Rows{} << QString() << QStringList{"menu Delete"} << QStringList() << QStringList()
        << QStringList();
    QTest::newRow("a renamed contact is not found: nothing asked, no refill")
        << Rows{{"Amy"}, {"Bob"}} << QString()
        << QStringList{"select Bob", "type Text1 Bobby", "select Amy", "select Bob", "menu Delete"}
        << QStringList{"Amy", "Bobby"} << ab << QStringList();
    QTest::newRow("the delete stores a pending edit")
        << two << QString()
        << QStringList{"type Text8 Edited", "answer Cancel", "menu Delete",
                       "select Bob",        "select Amy",    "show Text8 Edited"}
        << both << ab << QStringList{"Delete Amy??"};
    QTest::newRow("a failed delete is shown, the contact stays listed")
        << two << refuseDeletes << del("Bob", {"Ok"}) << both << ab
        << QStringList{"Delete Bob??", "*"};
}

void tst_editing::storesAndDeletes() {
    QFETCH(Rows, contacts);
    QFETCH(QString, sql);
    QFETCH(QStringList, steps);
    Harness h;
    h.folder.install(QStringLiteral("plist.ini"));
    h.folder.addList(QStringLiteral("Quillary.mdb"));
    h.folder.addContacts(QStringLiteral("Quillary.mdb"), contacts);
    if (!sql.isEmpty())
        h.exec(QStringLiteral("Quillary.mdb"), sql.toUtf8().constData());
    pList& w = h.start();
    QByteArray good;
    for (const QString& step : steps) {
        const QString verb = step.section(QLatin1Char(' '), 0, 0);
        const QString arg = step.section(QLatin1Char(' '), 1, 1);
        const QString rest = step.section(QLatin1Char(' '), 1);
        const QString text = step.section(QLatin1Char(' '), 2);
        auto* field = w.findChild<QLineEdit*>(arg);
        if (verb == QLatin1String("type"))
            Harness::type(field, text);
        else if (verb == QLatin1String("select"))
            h.select(rest);
        else if (arg == QLatin1String("LoadCompany"))
            w.LoadCompany_Click(0); // a hidden menu item: its handler is called
        else if (verb == QLatin1String("menu"))
            w.findChild<QAction*>(arg)->trigger();
        else if (verb == QLatin1String("click"))
            QTest::mouseClick(arg == QLatin1String("add") ? w.cmdAdd : w.smdSave, Qt::LeftButton);
        else if (verb == QLatin1String("answer"))
            MsgBox::setNextAnswer(arg == QLatin1String("Ok") ? Answer::Ok : Answer::Cancel);
        else if (verb == QLatin1String("leave"))
            Harness::leave(field, text.isEmpty() ? Qt::TabFocusReason : Qt::PopupFocusReason);
        if (verb == QLatin1String("spoil")) {
            good = h.folder.read(QStringLiteral("Quillary.mdb"));
            h.folder.write(QStringLiteral("Quillary.mdb"), QByteArray(good.size(), '\xff'));
        } else if (verb == QLatin1String("restore"))
            h.folder.write(QStringLiteral("Quillary.mdb"), good);
        else if (verb == QLatin1String("show"))
            QCOMPARE(field->text(), text);
    }
    QTEST(h.entries(), "entries");
    QFETCH(QStringList, shown);
    QCOMPARE(MsgBox::shown().size(), shown.size());
    for (int i = 0; i < shown.size(); ++i) {
        const MsgBox::Shown s = MsgBox::shown().at(i);
        QVERIFY2(s.text.contains(shown[i]), qPrintable(s.text));
        if (s.text.startsWith(QLatin1String("Delete ")))
            QVERIFY(s.title == QLatin1String("Delete a Contact") &&
                    s.buttons == MsgBox::Buttons::OkCancel && s.icon == MsgBox::Icon::Question &&
                    s.defaultButton == Answer::Cancel);
    }
    w.close();
    QTEST(summaries(h.stored()), "stored");
}

QTEST_MAIN(tst_editing)
#include "tst_editing.moc"
