// SPDX-License-Identifier: GPL-3.0-or-later
// The main window's controls and menus, placed as designed (twips).
#include "pList.h"

#include "about/Emblem.h"
#include "platform/BoundFields.h"
#include "platform/FormLook.h"
#include "platform/NoteBox.h"
#include "platform/Twips.h"

#include <QAbstractScrollArea>
#include <QAction>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QPushButton>

namespace {
const QColor lightGrey(224, 224, 224);
const QColor lightYellow(255, 255, 192);
const QColor navy(0, 0, 128);

void paint(QWidget* w, const QColor& background, const QColor& text = QColor()) {
    QPalette p = w->palette();
    p.setColor(QPalette::Window, background);
    // A panel's colour is its own: text fields on it keep their white ground.
    if (qobject_cast<QLineEdit*>(w) || qobject_cast<QAbstractScrollArea*>(w))
        p.setColor(QPalette::Base, background);
    if (text.isValid()) {
        p.setColor(QPalette::Text, text);
        p.setColor(QPalette::WindowText, text);
    }
    w->setPalette(p);
    w->setAutoFillBackground(true);
}

QLabel* label(QWidget* parent, const QString& name, const QString& text, int l, int t, int w, int h,
              const QFont& font) {
    auto* lbl = new QLabel(text, parent);
    lbl->setObjectName(name);
    lbl->setFont(font);
    lbl->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    Twips::place(lbl, l, t, w, h);
    return lbl;
}

QLineEdit* field(QWidget* parent, const QString& name, int l, int t, int w, int h,
                 const QFont& font) {
    auto* e = new QLineEdit(parent);
    e->setObjectName(name);
    e->setFont(font);
    Twips::place(e, l, t, w, h);
    return e;
}

QAction* item(QMenu* menu, const QString& name, const QString& caption) {
    QAction* a = menu->addAction(caption);
    a->setObjectName(name);
    return a;
}
} // namespace

void pList::buildControls() {
    auto* client = new QWidget(this);
    client->setObjectName(QStringLiteral("client"));
    setCentralWidget(client);
    Twips::setFixedClientSize(client, 9750, 7635);

    // The form's font: buttons, the list and the menus draw in it.
    setFont(Fonts::make(QStringLiteral("MS Sans Serif"), 8.25));
    const QFont sans825b = Fonts::make(QStringLiteral("MS Sans Serif"), 8.25, true);
    const QFont arial825b = Fonts::make(QStringLiteral("Arial"), 8.25, true);
    const QFont arial9b = Fonts::make(QStringLiteral("Arial"), 9, true);

    Picture1 = new QWidget(client);
    Picture1->setObjectName(QStringLiteral("Picture1"));
    Twips::place(Picture1, 0, 30, 9735, 7575);
    paint(Picture1, lightGrey);

    cmdAdd = new QPushButton(QStringLiteral("Add  New"), Picture1);
    cmdAdd->setObjectName(QStringLiteral("cmdAdd"));
    Twips::place(cmdAdd, 6090, 330, 1200, 375);
    smdSave = new QPushButton(QStringLiteral("Save Changes"), Picture1);
    smdSave->setObjectName(QStringLiteral("smdSave"));
    Twips::place(smdSave, 7290, 330, 1200, 375);

    // Data1 is never shown: the user moves between contacts through the list only.
    Data1 = new DataControl(this);
    Data1->setObjectName(QStringLiteral("Data1"));
    Data1->setRecordSource(QStringLiteral("pName2"));
    BoundFields::reportInMessageBoxes(*Data1);

    Picture2 = new QWidget(Picture1);
    Picture2->setObjectName(QStringLiteral("Picture2"));
    Twips::place(Picture2, 4080, 720, 5415, 3855);

    Text12 = field(Picture2, QStringLiteral("Text12"), 1215, 1395, 3840, 285, sans825b);
    Text11 = field(Picture2, QStringLiteral("Text11"), 1215, 720, 3840, 375, sans825b);

    Frame2 = new QGroupBox(Picture2);
    Frame2->setObjectName(QStringLiteral("Frame2"));
    Twips::place(Frame2, 120, 2400, 1335, 1335);
    Label4 = label(Frame2, QStringLiteral("Label4"), QStringLiteral("Email:"), 120, 960, 855, 255,
                   arial825b);
    Label3 = label(Frame2, QStringLiteral("Label3"), QStringLiteral("Fax/Other"), 120, 720, 855,
                   255, arial825b);
    Label2 = label(Frame2, QStringLiteral("Label2"), QStringLiteral("Phone 2"), 120, 480, 1215, 255,
                   arial825b);
    Label8 = label(Frame2, QStringLiteral("Label8"), QStringLiteral("Phone 1"), 120, 240, 1095, 255,
                   arial825b);

    Frame1 = new QGroupBox(Picture2);
    Frame1->setObjectName(QStringLiteral("Frame1"));
    Twips::place(Frame1, 1440, 2400, 3735, 1335);
    Text4 = field(Frame1, QStringLiteral("Text4"), 120, 960, 3495, 255, arial825b);
    Text3 = field(Frame1, QStringLiteral("Text3"), 120, 720, 3495, 255, arial825b);
    Text2 = field(Frame1, QStringLiteral("Text2"), 120, 480, 3495, 255, arial825b);
    Text6 = field(Frame1, QStringLiteral("Text6"), 120, 240, 3495, 285, arial825b);
    for (QLineEdit* e : {Text4, Text3, Text2, Text6})
        paint(e, Qt::white);

    Text10 = field(Picture2, QStringLiteral("Text10"), 4005, 1710, 1050, 285, arial825b);
    Text9 = field(Picture2, QStringLiteral("Text9"), 3600, 1710, 375, 285, arial825b);
    Text8 = field(Picture2, QStringLiteral("Text8"), 1215, 1710, 2370, 285, arial825b);
    Text7 = field(Picture2, QStringLiteral("Text7"), 1200, 1080, 3855, 330, arial9b);
    Text1 = field(Picture2, QStringLiteral("Text1"), 1200, 360, 3855, 375,
                  Fonts::make(QStringLiteral("Arial"), 9.75, true));
    paint(Text1, Qt::white, navy);

    Label12 = label(Picture2, QStringLiteral("Label12"), QStringLiteral("City,St Zip"), 270, 1755,
                    915, 285, sans825b);
    Label11 = label(Picture2, QStringLiteral("Label11"), QStringLiteral("Address"), 270, 1440, 960,
                    285, sans825b);
    Label10 = label(Picture2, QStringLiteral("Label10"), QStringLiteral("Company"), 225, 765, 960,
                    285, sans825b);
    Label9 = label(Picture2, QStringLiteral("Label9"), QStringLiteral("Address"), 240, 1080, 855,
                   255, arial825b);
    Label1 = label(Picture2, QStringLiteral("Label1"), QStringLiteral("Name:"), 240, 480, 855, 255,
                   arial825b);

    Text5 = new NoteBox(Picture1);
    Text5->setObjectName(QStringLiteral("Text5"));
    Text5->setFont(arial825b);
    Text5->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    // Tab moves on to the next control, as in every other field.
    Text5->setTabChangesFocus(true);
    Twips::place(Text5, 225, 5040, 9240, 2295);
    paint(Text5, lightYellow, Qt::black);

    List1 = new SortedListBox(Picture1);
    List1->setObjectName(QStringLiteral("List1"));
    Twips::place(List1, 360, 720, 3255, 3765);
    paint(List1, lightYellow);

    Image2 = new QLabel(Picture1);
    Image2->setObjectName(QStringLiteral("Image2"));
    Image2->setScaledContents(true);
    Image2->setPixmap(Emblem::pixmap(60));
    Twips::place(Image2, 8910, 180, 570, 540);

    Label13 = label(Picture1, QStringLiteral("Label13"), QString(), 90, 45, 9510, 330,
                    Fonts::make(QStringLiteral("Arial"), 12, true));
    Label13->setAlignment(Qt::AlignHCenter | Qt::AlignTop);
    Label6 = label(Picture1, QStringLiteral("Label6"), QStringLiteral("Contacts"), 360, 480, 3240,
                   255, arial9b);
    Label7 = label(Picture1, QStringLiteral("Label7"), QStringLiteral("Contact Information"), 4080,
                   480, 5415, 255, arial9b);
    Label5 = label(Picture1, QStringLiteral("Label5"), QStringLiteral("Additional Information:"),
                   315, 4815, 3375, 255, arial825b);

    // Every text field shows and stores one field of the contact table.
    const QList<QPair<QLineEdit*, const char*>> bound = {
        {Text1, "pName"},    {Text11, "CompanyName"}, {Text7, "pAddress"}, {Text12, "pAddress2"},
        {Text8, "pCity"},    {Text9, "pState"},       {Text10, "pZip"},    {Text6, "pPhone"},
        {Text2, "pCoPhone"}, {Text3, "pFax"},         {Text4, "pEmail"}};
    for (const auto& [edit, name] : bound)
        BoundFields::bind(*Data1, edit, QString::fromLatin1(name));
    BoundFields::bind(*Data1, Text5, QStringLiteral("pNotes"));

    // Focus runs list, name, company, address, second line, city, state, zip,
    // phone 1, phone 2, fax/other, e-mail, notes, "Save Changes", "Add  New".
    const QList<QWidget*> order = {List1, Text1, Text11, Text7, Text12, Text8,   Text9, Text10,
                                   Text6, Text2, Text3,  Text4, Text5,  smdSave, cmdAdd};
    for (int i = 1; i < order.size(); ++i)
        setTabOrder(order[i - 1], order[i]);
    for (QLabel* l : findChildren<QLabel*>())
        l->setFocusPolicy(Qt::NoFocus);
    FormLook::fixedBorder(this, true);
    FormLook::settle(this);
}

void pList::buildMenus() {
    QMenuBar* bar = menuBar();
    File = bar->addMenu(QStringLiteral("&File"));
    File->setObjectName(QStringLiteral("File"));
    Delete = item(File, QStringLiteral("Delete"), QStringLiteral("&Delete this Contact"));
    AddNew = item(File, QStringLiteral("AddNew"), QStringLiteral("&Add  New Contacts"));
    mnuGetOLC = item(File, QStringLiteral("mnuGetOLC"), QStringLiteral("Get Outlook Contacts"));
    mnuExport = item(File, QStringLiteral("mnuExport"), QStringLiteral("E&xport Contacts..."));
    File->addSeparator()->setObjectName(QStringLiteral("sep1"));
    Refresh = item(File, QStringLiteral("Refresh"), QStringLiteral("&Refresh the current list"));
    MakeDB = item(File, QStringLiteral("MakeDB"), QStringLiteral("C&reate a new list"));
    DBSwitch =
        item(File, QStringLiteral("DBSwitch"), QStringLiteral("S&witch to a different list"));
    ListCopy = item(File, QStringLiteral("ListCopy"), QStringLiteral("Copy a List"));
    mnuSync = item(File, QStringLiteral("mnuSync"),
                   QStringLiteral("S&ync with an Address Book Server..."));
    File->addSeparator()->setObjectName(QStringLiteral("Sep3"));
    LoadIndiv =
        item(File, QStringLiteral("LoadIndiv"), QStringLiteral("Use Individual Names in List"));
    LoadCompany =
        item(File, QStringLiteral("LoadCompany"), QStringLiteral("&Use Company Names in List"));
    for (QAction* hidden : {LoadIndiv, LoadCompany}) {
        hidden->setVisible(false);
        hidden->setEnabled(false);
    }
    Sep4 = File->addSeparator();
    Sep4->setObjectName(QStringLiteral("Sep4"));
    Sep4->setVisible(false);
    AreaCodeLookup =
        item(File, QStringLiteral("AreaCodeLookup"), QStringLiteral("Telephone Area Codes"));
    File->addSeparator()->setObjectName(QStringLiteral("Sep2"));
    Exit = item(File, QStringLiteral("Exit"), QStringLiteral("&Exit"));

    Exit2 = bar->addAction(QStringLiteral("E&xit"));
    Exit2->setObjectName(QStringLiteral("Exit2"));
    Exit2->setVisible(false);
    About = bar->addAction(QStringLiteral("A&bout"));
    About->setObjectName(QStringLiteral("About"));

    // "Pop" is never on the bar; the list's right button shows it.
    mnuPop = new QMenu(QStringLiteral("Pop"), this);
    mnuPop->setObjectName(QStringLiteral("mnuPop"));
    mnuDelContact =
        item(mnuPop, QStringLiteral("mnuDelContact"), QStringLiteral("Delete this Contact"));
    mnuPop->addSeparator()->setObjectName(QStringLiteral("sep1Pop"));
    mnuRefresh = item(mnuPop, QStringLiteral("mnuRefresh"), QStringLiteral("Refresh the List"));
}
