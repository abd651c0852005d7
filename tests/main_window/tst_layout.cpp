#include "support/Harness.h"

#include "platform/Twips.h"

#include <QGroupBox>
#include <QGuiApplication>
#include <QLabel>
#include <QMenu>
#include <QMenuBar>
#include <QScreen>

namespace {
QWidget* control(pList& w, const QString& name) {
    return w.findChild<QWidget*>(name);
}
} // namespace

class tst_layout : public QObject {
    Q_OBJECT
private slots:
    void controls_data();
    void controls();
    void colours();
    void windowIsFixedAndCaptioned();
    void startProgramCentresTheWindow();
    void focusRunsThroughListFieldsAndButtons();
    void notesFieldPassesTabOn();
    void menuTree_data();
    void menuTree();
    void menuBarAndPopUp();
    void menuCommandsReachTheirHandlers();
    void emblemShowsInTheWindow();
};

void tst_layout::controls_data() {
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("container");
    QTest::addColumn<QRect>("twips");
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("font");
    QTest::addColumn<double>("points");

    struct Row {
        const char* name;
        const char* container;
        int l, t, w, h;
        const char* text;
        const char* font;
        double points;
    };
    const Row rows[] = {
        {"Picture1", "client", 0, 30, 9735, 7575, "", "", 0},
        {"cmdAdd", "Picture1", 6090, 330, 1200, 375, "Add  New", "", 0},
        {"smdSave", "Picture1", 7290, 330, 1200, 375, "Save Changes", "", 0},
        {"Picture2", "Picture1", 4080, 720, 5415, 3855, "", "", 0},
        {"Text12", "Picture2", 1215, 1395, 3840, 285, "", "MS Sans Serif", 8.25},
        {"Text11", "Picture2", 1215, 720, 3840, 375, "", "MS Sans Serif", 8.25},
        {"Frame2", "Picture2", 120, 2400, 1335, 1335, "", "", 0},
        {"Label4", "Frame2", 120, 960, 855, 255, "Email:", "Arial", 8.25},
        {"Label3", "Frame2", 120, 720, 855, 255, "Fax/Other", "Arial", 8.25},
        {"Label2", "Frame2", 120, 480, 1215, 255, "Phone 2", "Arial", 8.25},
        {"Label8", "Frame2", 120, 240, 1095, 255, "Phone 1", "Arial", 8.25},
        {"Frame1", "Picture2", 1440, 2400, 3735, 1335, "", "", 0},
        {"Text4", "Frame1", 120, 960, 3495, 255, "", "Arial", 8.25},
        {"Text3", "Frame1", 120, 720, 3495, 255, "", "Arial", 8.25},
        {"Text2", "Frame1", 120, 480, 3495, 255, "", "Arial", 8.25},
        {"Text6", "Frame1", 120, 240, 3495, 285, "", "Arial", 8.25},
        {"Text10", "Picture2", 4005, 1710, 1050, 285, "", "Arial", 8.25},
        {"Text9", "Picture2", 3600, 1710, 375, 285, "", "Arial", 8.25},
        {"Text8", "Picture2", 1215, 1710, 2370, 285, "", "Arial", 8.25},
        {"Text7", "Picture2", 1200, 1080, 3855, 330, "", "Arial", 9},
        {"Text1", "Picture2", 1200, 360, 3855, 375, "", "Arial", 9.75},
        {"Label12", "Picture2", 270, 1755, 915, 285, "City,St Zip", "MS Sans Serif", 8.25},
        {"Label11", "Picture2", 270, 1440, 960, 285, "Address", "MS Sans Serif", 8.25},
        {"Label10", "Picture2", 225, 765, 960, 285, "Company", "MS Sans Serif", 8.25},
        {"Label9", "Picture2", 240, 1080, 855, 255, "Address", "Arial", 8.25},
        {"Label1", "Picture2", 240, 480, 855, 255, "Name:", "Arial", 8.25},
        {"Text5", "Picture1", 225, 5040, 9240, 2295, "", "Arial", 8.25},
        {"List1", "Picture1", 360, 720, 3255, 3765, "", "", 0},
        {"Image2", "Picture1", 8910, 180, 570, 540, "", "", 0},
        {"Label13", "Picture1", 90, 45, 9510, 330, "", "Arial", 12},
        {"Label6", "Picture1", 360, 480, 3240, 255, "Contacts", "Arial", 9},
        {"Label7", "Picture1", 4080, 480, 5415, 255, "Contact Information", "Arial", 9},
        {"Label5", "Picture1", 315, 4815, 3375, 255, "Additional Information:", "Arial", 8.25},
    };
    for (const Row& r : rows)
        QTest::newRow(r.name) << QString::fromLatin1(r.name) << QString::fromLatin1(r.container)
                              << QRect(r.l, r.t, r.w, r.h) << QString::fromLatin1(r.text)
                              << QString::fromLatin1(r.font) << r.points;
}

// Before start-up: design-time texts, twips geometry, fonts (all bold).
void tst_layout::controls() {
    QFETCH(QString, name);
    QFETCH(QRect, twips);
    QFETCH(QString, text);
    QFETCH(QString, font);
    QFETCH(double, points);
    Harness h;
    pList w;
    QWidget* c = control(w, name);
    QVERIFY(c);
    QTEST(c->parentWidget()->objectName(), "container");
    QCOMPARE(c->geometry(), Twips::rect(twips.x(), twips.y(), twips.width(), twips.height()));
    if (auto* label = qobject_cast<QLabel*>(c))
        QCOMPARE(label->text(), text);
    else if (auto* button = qobject_cast<QPushButton*>(c))
        QCOMPARE(button->text(), text);
    else if (auto* box = qobject_cast<QGroupBox*>(c))
        QVERIFY(box->title().isEmpty());
    if (!font.isEmpty()) {
        QCOMPARE(c->font().family(), Fonts::family(font));
        QCOMPARE(c->font().pointSizeF(), points);
        QVERIFY(c->font().bold());
    }
}

void tst_layout::colours() {
    Harness h;
    pList w;
    const QColor yellow(255, 255, 192);
    QCOMPARE(w.Picture1->palette().color(QPalette::Window), QColor(224, 224, 224));
    QVERIFY(w.Picture1->autoFillBackground());
    QCOMPARE(w.List1->palette().color(QPalette::Base), yellow);
    QCOMPARE(w.Text5->palette().color(QPalette::Base), yellow);
    QCOMPARE(w.Text5->palette().color(QPalette::Text), QColor(Qt::black));
    QCOMPARE(w.Text1->palette().color(QPalette::Text), QColor(0, 0, 128));
    for (QLineEdit* e : {w.Text6, w.Text2, w.Text3, w.Text4})
        QCOMPARE(e->palette().color(QPalette::Base), QColor(Qt::white));
    QVERIFY(w.Label13->alignment() & Qt::AlignHCenter);
    QVERIFY(w.Text5->verticalScrollBarPolicy() != Qt::ScrollBarAlwaysOff);
    QVERIFY(w.Image2->hasScaledContents());
    for (QLabel* l :
         {w.Label1, w.Label2, w.Label3, w.Label4, w.Label5, w.Label6, w.Label7, w.Label13})
        QVERIFY2(!l->autoFillBackground(), qPrintable(l->objectName()));
}

void tst_layout::windowIsFixedAndCaptioned() {
    Harness h;
    pList& w = h.startWith({{"Amy"}});
    QCOMPARE(w.windowTitle(), QStringLiteral("  Quillary"));
    QCOMPARE(w.centralWidget()->size(), QSize(Twips::toPixels(9750), Twips::toPixels(7635)));
    QCOMPARE(w.minimumSize(), w.maximumSize());
    QCOMPARE(w.size(), w.minimumSize());
    // The data control is never shown: no navigation buttons.
    QVERIFY(!w.findChild<QWidget*>(QStringLiteral("Data1")));
    QCOMPARE(w.Label13->text(), QStringLiteral("Quillary.mdb"));
    QCOMPARE(pList::instance(), &w);
}

void tst_layout::startProgramCentresTheWindow() {
    Harness h;
    h.folder.install(QStringLiteral("plist.ini"));
    h.folder.addList(QStringLiteral("Quillary.mdb"));
    h.folder.addContacts(QStringLiteral("Quillary.mdb"), {{"Amy"}});
    pList::startProgram();
    QPointer<pList> w = pList::instance();
    QVERIFY(w && w->isVisible());
    QCOMPARE(w->Label13->text(), QStringLiteral("Quillary.mdb"));
    QCOMPARE(w->Text1->text(), QStringLiteral("Amy"));
    const QPoint centre = w->screen()->availableGeometry().center();
    QVERIFY((w->frameGeometry().center() - centre).manhattanLength() <= 2);
    w->close();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    QVERIFY(!w);
    QCOMPARE(pList::instance(), nullptr);
}

void tst_layout::focusRunsThroughListFieldsAndButtons() {
    Harness h;
    pList& w = h.startWith({{"Amy"}});
    const QList<QWidget*> expected = {w.List1, w.Text1, w.Text11, w.Text7,   w.Text12,
                                      w.Text8, w.Text9, w.Text10, w.Text6,   w.Text2,
                                      w.Text3, w.Text4, w.Text5,  w.smdSave, w.cmdAdd};
    QList<QWidget*> chain;
    QWidget* c = w.List1;
    do {
        if (c->focusPolicy() & Qt::TabFocus && c->isVisibleTo(&w))
            chain << c;
        c = c->nextInFocusChain();
    } while (c != w.List1);
    QCOMPARE(chain, expected);
}

void tst_layout::notesFieldPassesTabOn() {
    Harness h;
    pList& w = h.startWith({{"Amy"}});
    QVERIFY(w.Text5->tabChangesFocus());
}

void tst_layout::menuTree_data() {
    QTest::addColumn<int>("position");
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("caption");
    QTest::addColumn<bool>("separator");
    QTest::addColumn<bool>("visible");
    QTest::addColumn<bool>("enabled");
    struct Row {
        const char* name;
        const char* caption;
        bool separator, visible, enabled;
    };
    const Row rows[] = {
        {"Delete", "&Delete this Contact", false, true, true},
        {"AddNew", "&Add  New Contacts", false, true, true},
        {"mnuGetOLC", "Get Outlook Contacts", false, true, true},
        {"sep1", "", true, true, true},
        {"Refresh", "&Refresh the current list", false, true, true},
        {"MakeDB", "C&reate a new list", false, true, true},
        {"DBSwitch", "S&witch to a different list", false, true, true},
        {"ListCopy", "Copy a List", false, true, true},
        {"Sep3", "", true, true, true},
        {"LoadIndiv", "Use Individual Names in List", false, false, false},
        {"LoadCompany", "&Use Company Names in List", false, false, false},
        {"Sep4", "", true, false, true},
        {"AreaCodeLookup", "Telephone Area Codes", false, true, true},
        {"Sep2", "", true, true, true},
        {"Exit", "&Exit", false, true, true},
    };
    int i = 0;
    for (const Row& r : rows) {
        QTest::newRow(r.name) << i << QString::fromLatin1(r.name) << QString::fromLatin1(r.caption)
                              << r.separator << r.visible << r.enabled;
        ++i;
    }
}

void tst_layout::menuTree() {
    QFETCH(int, position);
    Harness h;
    pList w;
    const QList<QAction*> items = w.File->actions();
    QCOMPARE(items.size(), 15);
    QAction* a = items.at(position);
    QTEST(a->objectName(), "name");
    QTEST(a->isSeparator(), "separator");
    if (!a->isSeparator())
        QTEST(a->text(), "caption");
    QTEST(a->isVisible(), "visible");
    // A hidden item always reads as disabled; show it to see its own state.
    a->setVisible(true);
    QTEST(a->isEnabled(), "enabled");
    QVERIFY(a->shortcut().isEmpty());
}

void tst_layout::menuBarAndPopUp() {
    Harness h;
    pList w;
    QStringList bar;
    QStringList visible;
    for (QAction* a : w.menuBar()->actions()) {
        bar << a->text();
        if (a->isVisible())
            visible << a->text();
        QVERIFY(a->shortcut().isEmpty());
    }
    QCOMPARE(visible, (QStringList{"&File", "A&bout"}));
    QVERIFY(bar.contains(QStringLiteral("E&xit")));
    QCOMPARE(w.mnuPop->title(), QStringLiteral("Pop"));
    QVERIFY(!w.mnuPop->isVisible());
    const QList<QAction*> pop = w.mnuPop->actions();
    QCOMPARE(pop.size(), 3);
    QCOMPARE(pop.at(0)->text(), QStringLiteral("Delete this Contact"));
    QVERIFY(pop.at(1)->isSeparator());
    QCOMPARE(pop.at(2)->text(), QStringLiteral("Refresh the List"));
    for (QAction* a : pop)
        QVERIFY(a->shortcut().isEmpty());
}

// The commands other engineers' windows answer are wired to their items.
void tst_layout::menuCommandsReachTheirHandlers() {
    Harness h;
    pList& w = h.startWith({{"Amy"}, {"Bob"}});
    w.List1->setListIndex(1);
    w.Refresh->trigger();
    QCOMPARE(w.List1->listIndex(), -1);
    w.AddNew->trigger();
    QCOMPARE(QApplication::focusWidget(), w.Text1);
    QCOMPARE(h.chooserCalls, 0);
    QCOMPARE(h.newListCalls, 0);
}

void tst_layout::emblemShowsInTheWindow() {
    Harness h;
    pList w;
    QVERIFY(!w.windowIcon().isNull());
    QVERIFY(!w.windowIcon().availableSizes().isEmpty());
    QVERIFY(!w.Image2->pixmap().isNull());
    QVERIFY(w.Image2->isVisibleTo(&w));
}

QTEST_MAIN(tst_layout)
#include "tst_layout.moc"
