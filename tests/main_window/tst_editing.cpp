// SPDX-License-Identifier: GPL-3.0-or-later
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
    // "answer Ok|Cancel", "leave <field> [menu]", "spoil", "restore", "show <field> <text>",
    // "start <field>" (shows the start of its text), "lock"/"unlock" (another program
    // holds the list), "sql <statement>" (run by another program), "listed <entry>,...", "real
    // <key> ..." (the real message boxes answered by keys), "choose <list>" (what the
    // next list chooser picks, or the next new list's name; adds Work.mdb holding Wendy).
    QTest::addColumn<QStringList>("steps");
    QTest::addColumn<QStringList>("stored");
    QTest::addColumn<QStringList>("entries");
    QTest::addColumn<QStringList>("shown");

    // Steps, stored contacts, entries and messages are each written as one text,
    // the items separated by '|'.
    const auto row = [](const char* tag, const Rows& contacts, const QString& sql,
                        const QString& steps, const QString& stored, const QString& entries,
                        const QString& shown = {}) {
        const auto items = [](const QString& s) {
            return s.isEmpty() ? QStringList() : s.split('|');
        };
        QTest::newRow(tag) << contacts << sql << items(steps) << items(stored) << items(entries)
                           << items(shown);
    };
    const Rows two = {{"Amy", "A Co", "old address"}, {"Bob", "B Co"}};
    const QString both = "Amy/A Co|Bob/B Co";
    for (const QString& typed :
         {QStringLiteral("O'Hara's \"50%\" C:\\dir\\ Straße Ærø 東京"),
          QStringLiteral("'); drop table pName2; --"), QString(), QString(2000, QLatin1Char('w'))})
        row(qPrintable("an edit is stored by a move: " + typed.left(20)), two, {},
            "type Text7 " + typed + "|select Bob|show Text1 Bob|select Amy|show Text7 " + typed,
            both, "Amy|Bob");
    row("a new contact is stored by a move, listed from the next fill", two, {},
        "click add|type Text1 Eve O'Neil|type Text6 555-0100|select Bob|show Text1 Bob|"
        "menu Refresh|select Eve O'Neil|show Text6 555-0100",
        both + "|Eve O'Neil", "Amy|Bob|Eve O'Neil");
    row("Save Changes stores and starts the next contact", {{"Bob"}}, {},
        "menu LoadCompany|menu AddNew|type Text1 Al|click save|show Text1 |type Text1 Cy|"
        "click save",
        "Bob|Al|Cy", "Al|Bob|Cy");
    row("blank new contacts are never stored", {{"Amy"}}, {},
        "click add|click save|click save|select Amy|show Text1 Amy", "Amy", "Amy");
    row("typing with no record current starts a contact", {}, {}, "type Text1 Walk-in|menu Refresh",
        "Walk-in", "Walk-in");
    const QString noName = "ALTER TABLE pName2 RENAME COLUMN pName TO x";
    // A list that cannot be opened: start-up is silent, a contact typed then is
    // refused naming the list and kept, and the file is left as it was.
    row("a list without a name field", {{"Amy"}}, noName,
        "type Text1 Typed|click save|show Text1 Typed|menu Delete", "Amy", "",
        "\"Quillary.mdb\" is not open");
    row("Exit reports a contact typed while the list cannot be opened", {{"Amy"}}, noName,
        "click add|type Text1 Typed|menu Exit", "Amy", "", "\"Quillary.mdb\" is not open");
    row("a contact typed while the list could not be opened is stored once it opens", {{"Amy"}},
        noName,
        "click add|type Text1 Typed|click save|sql ALTER TABLE pName2 RENAME COLUMN x TO pName|"
        "click save",
        "Amy|Typed", "Amy|Typed", "\"Quillary.mdb\" is not open");
    row("switching lists reports a contact typed while the list cannot be opened", {{"Amy"}},
        noName, "click add|type Text1 Typed|choose Work.mdb|menu DBSwitch", "Amy", "Wendy",
        "\"Quillary.mdb\" is not open");
    row("a new list: the contact typed is stored once the list opens", {{"Amy"}}, noName,
        "click add|type Text1 Typed|click save|sql ALTER TABLE pName2 RENAME COLUMN x TO pName|"
        "choose New|menu MakeDB",
        "Amy|Typed", "", "\"Quillary.mdb\" is not open");
    row("a field the program fills shows the start of its text",
        {{"Amy", "", "", "", "Town", "ny"}, {"Bob", "", "Main Street"}}, {},
        "type Text9 tx|leave Text9|start Text9|type Text7 Main Street|select Bob|start Text7",
        "Amy|Bob", "Amy|Bob");
    row("the state is upper-cased on leaving it, not when a menu opens",
        {{"Amy", "", "", "", "Town", "ny"}, {"Bob"}}, {},
        "leave Text9|show Text9 NY|type Text9 tx|leave Text9 menu|show Text9 tx|leave Text9|"
        "select Bob|select Amy|show Text9 TX",
        "Amy|Bob", "Amy|Bob");
    row("an edit to a field the list lacks is reported when stored", two,
        "ALTER TABLE pName2 DROP COLUMN pFax", "type Text3 555-0199|click save", both, "Amy|Bob",
        "pFax");
    row("an edit to a field the list lacks is reported by Add New", two,
        "ALTER TABLE pName2 DROP COLUMN pFax", "type Text3 555-0199|click add", both, "Amy|Bob",
        "*3265 Item not found in this collection.\r\nThe list \"Quillary.mdb\" has no field pFax");
    // Another program holds the list: each action shows the failure, the list
    // keeps its names, nothing typed lands in a record nobody chose, and the
    // next action after the lock works.
    const QString locked = "*3218 Could not update; currently locked.";
    row("a locked list: refresh", two, {},
        "menu Refresh|lock|menu Refresh|listed Amy,Bob|unlock|menu Refresh|select Bob", both,
        "Amy|Bob", locked);
    row("a locked list: a click, then typing", two, {},
        "menu Refresh|lock|select Bob|type Text6 555|unlock|menu Refresh|select Bob|"
        "type Text6 555|select Amy|select Bob|show Text6 555",
        both, "Amy|Bob", locked);
    row("a locked list: a click with an edit waiting refuses it once, the edit goes on", two, {},
        "menu Refresh|lock|type Text1 Walk-in|select Bob|type Text6 555|unlock|menu Refresh|"
        "select Walk-in|show Text6 555",
        both + "|Walk-in", "Amy|Bob|Walk-in", "Could not update; currently locked.");
    row("a locked list: delete", two, {},
        "menu Refresh|lock|menu Delete|listed Amy,Bob|unlock|select Bob|answer Ok|menu Delete",
        "Amy/A Co", "Amy", locked + "|Delete Bob??");
    row("a locked list: the company view", two, {},
        "menu Refresh|lock|menu LoadCompany|listed Amy,Bob|unlock|menu LoadCompany", both,
        "A Co|B Co", locked);
    row("a refused store keeps the list and the edit", two, refuseUpdates,
        "type Text8 Edited|menu Refresh|show Text8 Edited", both, "Amy|Bob", "refused");
    row("Save Changes reports a refused store once per attempt", two, refuseUpdates,
        "type Text8 Edited|click save|click save|show Text8 Edited", both, "Amy|Bob",
        "refused|refused");
    row("a spoiled file refuses, the contact typed waits for it", {{"Amy"}, {"Bob"}}, {},
        "type Text8 Stored|select Bob|spoil|select Amy|menu AddNew|type Text1 New|answer Ok|"
        "menu Delete|click save|restore|menu Refresh|select Amy|show Text8 Stored",
        "Amy|Bob|New", "Amy|Bob|New", "Unrecognized|Unrecognized");

    const Rows twins = {{"Anne", "First"}, {"Bob", "B"}, {"Anne", "Second"}};
    // Selects the entry (none: a refill), gives the answers, then deletes.
    const auto del = [](const QString& entry, const QString& answers) {
        return (entry.isEmpty() ? "menu Refresh" : "select " + entry) + answers + "|menu Delete";
    };
    row("OK deletes the first of two alike", twins, {}, del("Anne", "|answer Ok"),
        "Bob/B|Anne/Second", "Anne|Bob", "Delete Anne??");
    row("Cancel, then OK deletes the second only", twins, {},
        del("Anne", "|answer Cancel|answer Ok"), "Anne/First|Bob/B", "Anne|Bob",
        "Delete Anne??|Delete Anne??");
    row("Enter and Escape on the real question delete nothing", twins, {},
        del("Anne", "|real Return Escape"), "Anne/First|Bob/B|Anne/Second", "Anne|Anne|Bob",
        "Delete Anne??|Delete Anne??");
    row("letter case must agree", {{"anne", "Lower"}, {"Anne", "Upper"}}, {},
        del("Anne", "|answer Ok"), "anne/Lower", "anne", "Delete Anne??");
    row("no selection offers only empty names", {{"", "Blank"}, {"Amy", "A"}, {QString(), "Null"}},
        {}, del("", "|answer Ok"), "Amy/A|/Null", "Amy", "Delete ??");
    row("the last contact", {{"Solo"}}, {}, del("Solo", "|answer Ok"), "", "", "Delete Solo??");
    row("non-ASCII", {{"Jürgen Ærø", "X"}, {"JÜRGEN ÆRØ", "Y"}}, {},
        del("JÜRGEN ÆRØ", "|answer Ok"), "Jürgen Ærø/X", "Jürgen Ærø", "Delete JÜRGEN ÆRØ??");
    row("from the pop-up menu", {{"Amy"}, {"Bob"}}, {}, "select Bob|answer Ok|menu mnuDelContact",
        "Amy", "Amy", "Delete Bob??");
    row("the company view offers the company's contacts",
        {{"Amy", "Acme"}, {"Bob", "Other"}, {"Cy", "Acme"}}, {},
        "menu LoadCompany|answer Cancel|answer Ok|menu Delete", "Amy/Acme|Bob/Other", "Amy|Bob",
        "Delete Amy??|Delete Cy??");
    row("an empty list: nothing asked", {}, {}, "menu Delete", "", "");
    row("a renamed contact is not found: nothing asked, no refill", {{"Amy"}, {"Bob"}}, {},
        "select Bob|type Text1 Bobby|select Amy|select Bob|menu Delete", "Amy|Bobby", "Amy|Bob");
    row("the delete stores a pending edit", two, {},
        "type Text8 Edited|answer Cancel|menu Delete|select Bob|select Amy|show Text8 Edited", both,
        "Amy|Bob", "Delete Amy??");
    row("a failed delete is shown, the contact stays listed", two, refuseDeletes,
        del("Bob", "|answer Ok"), both, "Amy|Bob", "Delete Bob??|*");
}

void tst_editing::storesAndDeletes() {
    QFETCH(Rows, contacts);
    QFETCH(QString, sql);
    QFETCH(QStringList, steps);
    Harness h;
    pList& w = h.startWith(contacts, sql);
    QByteArray good;
    std::unique_ptr<SQLite::Database> other;
    ModalDriver real;
    QStringList keys;
    QString chosen;
    real.act = [&](QWidget* d) {
        if (qobject_cast<QMessageBox*>(d))
            return Harness::pressOn(d, QMessageBox::Cancel, keys.takeFirst());
        Harness::answerListDialog(d, chosen);
    };
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
        else if (verb == QLatin1String("start"))
            QCOMPARE(field->cursorPosition(), 0);
        else if (verb == QLatin1String("sql"))
            h.exec(QStringLiteral("Quillary.mdb"), rest.toUtf8().constData());
        else if (verb == QLatin1String("listed"))
            QCOMPARE(h.entries(), rest.split(QLatin1Char(',')));
        else if (verb == QLatin1String("unlock"))
            other.reset(); // closing rolls the other program's transaction back
        else if (verb == QLatin1String("lock")) {
            other = std::make_unique<SQLite::Database>(
                h.folder.file(QStringLiteral("Quillary.mdb")).toStdString(),
                SQLite::OPEN_READWRITE);
            other->exec("BEGIN EXCLUSIVE");
        } else if (verb == QLatin1String("choose")) {
            chosen = arg;
            h.folder.install(QStringLiteral("Template.dat"));
            h.folder.addList(QStringLiteral("Work.mdb"));
            h.folder.addContacts(QStringLiteral("Work.mdb"), {{QStringLiteral("Wendy")}});
        } else if (verb == QLatin1String("real")) {
            MsgBox::setScripted(false);
            keys = rest.split(QLatin1Char(' '));
        }
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
