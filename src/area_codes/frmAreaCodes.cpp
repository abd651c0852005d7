// SPDX-License-Identifier: GPL-3.0-or-later
#include "frmAreaCodes.h"

#include "AdoDataControl.h"
#include "list_dialogs/AccessListPrompt.h"
#include "platform/AppFolder.h"
#include "platform/FileSystem.h"
#include "platform/FormLook.h"
#include "platform/MsgBox.h"
#include "platform/NoteBox.h"
#include "platform/Recordset.h"
#include "platform/Resume.h"
#include "platform/RunError.h"
#include "platform/Twips.h"
#include "storage/ListFiles.h"

#include <QApplication>
#include <QCloseEvent>
#include <QDir>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

namespace {
frmAreaCodes* g_instance = nullptr;

constexpr int clientWidth = 5835;
constexpr int clientHeight = 4770;
constexpr int buttonBarHeight = 300;
constexpr int navigationBarHeight = 330;

// The area-code search puts the typed text into the criterion as it stands, so
// only a plain number (blanks around it allowed) may get there.
bool isAreaCodeNumber(const QString& text) {
    const QString digits = text.trimmed();
    if (digits.isEmpty())
        return false;
    for (QChar c : digits)
        if (c < QLatin1Char('0') || c > QLatin1Char('9'))
            return false;
    return true;
}

QString folderPath() {
    return AppFolder::programFolder();
}

// Runs a handler's steps under its local error handler: a failure is the
// pending error while its message shows, and handled (none pending) after it.
template <class Steps, class Message> void handled(Steps&& steps, Message&& message) {
    const HandlerScope scope;
    try {
        steps();
        return;
    } catch (const RunError& e) {
        PendingError::set(e);
    } catch (const std::exception& e) {
        PendingError::set(toRunError(e));
    }
    MsgBox::show(message(PendingError::error()), MsgBox::Buttons::Ok, MsgBox::Icon::None);
}

QString descriptionOnly(const RunError& e) {
    return e.description();
}
QString numbered(const RunError& e) {
    return e.failureMessage();
}
} // namespace

frmAreaCodes::frmAreaCodes(QWidget* parent)
    : QWidget(parent, Qt::Dialog | Qt::MSWindowsFixedSizeDialogHint | Qt::WindowTitleHint |
                          Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint) {
    setAttribute(Qt::WA_DeleteOnClose);
    setObjectName(QStringLiteral("frmAreaCodes"));
    setWindowTitle(QStringLiteral("TelephoneAreas"));
    FormLook::fixedBorder(this);
    setFont(Fonts::make(QStringLiteral("MS Sans Serif"), 8.25));
    Twips::setFixedClientSize(this, clientWidth, clientHeight);
    buildControls();
}

frmAreaCodes::~frmAreaCodes() {
    if (g_instance == this)
        g_instance = nullptr;
}

frmAreaCodes* frmAreaCodes::instance() {
    return g_instance;
}

void frmAreaCodes::display() {
    if (!g_instance) {
        g_instance = new frmAreaCodes();
        g_instance->Form_Load();
        Twips::centreOnScreen(g_instance);
    }
    g_instance->show();
    g_instance->raise();
    g_instance->activateWindow();
}

QLineEdit* frmAreaCodes::areaCodeField() const {
    return static_cast<QLineEdit*>(txtFields[0]);
}
QLineEdit* frmAreaCodes::locationField() const {
    return static_cast<QLineEdit*>(txtFields[2]);
}
NoteBox* frmAreaCodes::descriptionField() const {
    return static_cast<NoteBox*>(txtFields[1]);
}

void frmAreaCodes::buildControls() {
    const QFont bold = Fonts::make(QStringLiteral("MS Sans Serif"), 8.25, true);
    buildSearch(bold);
    buildFields(bold);
    buildButtonBar();
    buildDataControl();
    const QList<QWidget*> order = {txtFields[0], txtFields[1], txtFields[2], cmdAdd,
                                   cmdUpdate,    cmdDelete,    cmdRefresh,   cmdClose,
                                   Command2,     Command1,     Text1[1],     Text1[0]};
    for (int i = 1; i < order.size(); ++i)
        QWidget::setTabOrder(order[i - 1], order[i]);
    FormLook::settle(this);
    txtFields[0]->setFocus();
}

// The search panel at the top: area code and location, "Go" and "Reset".
void frmAreaCodes::buildSearch(const QFont& bold) {
    Picture1 = new QWidget(this);
    Picture1->setObjectName(QStringLiteral("Picture1"));
    Twips::place(Picture1, 135, 45, 5550, 1230);

    Label5 = new QLabel(QStringLiteral("Search"), Picture1);
    Label5->setObjectName(QStringLiteral("Label5"));
    Label5->setFont(bold);
    Twips::place(Label5, 30, 0, 5415, 225);

    Label2 = new QLabel(QStringLiteral("Area Code"), Picture1);
    Label2->setObjectName(QStringLiteral("Label2"));
    Label2->setAlignment(Qt::AlignHCenter | Qt::AlignTop);
    Twips::place(Label2, 1080, 315, 1005, 240);

    Label3 = new QLabel(QStringLiteral("Location"), Picture1);
    Label3->setObjectName(QStringLiteral("Label3"));
    Label3->setAlignment(Qt::AlignHCenter | Qt::AlignTop);
    Twips::place(Label3, 2700, 315, 1005, 240);

    for (int i = 0; i < 2; ++i) {
        Text1[i] = new QLineEdit(Picture1);
        Text1[i]->setObjectName(QStringLiteral("Text1_%1").arg(i));
        Text1[i]->installEventFilter(this);
    }
    Text1[0]->setAccessibleName(QStringLiteral("Area Code"));
    Text1[1]->setAccessibleName(QStringLiteral("Location"));
    Twips::place(Text1[0], 1080, 495, 915, 285);
    Twips::place(Text1[1], 2745, 495, 915, 285);

    Command1 = new QPushButton(QStringLiteral("Go"), Picture1);
    Command1->setObjectName(QStringLiteral("Command1"));
    Twips::place(Command1, 4635, 270, 645, 330);
    connect(Command1, &QPushButton::clicked, this, [this] { Command1_Click(); });

    Command2 = new QPushButton(QStringLiteral("Reset"), Picture1);
    Command2->setObjectName(QStringLiteral("Command2"));
    Twips::place(Command2, 4635, 585, 645, 330);
    connect(Command2, &QPushButton::clicked, this, [this] { Command2_Click(); });
}

// The area code's fields with their captions, and the status line below them.
void frmAreaCodes::buildFields(const QFont& bold) {
    const char* captions[] = {"AreaCode:", "Description:", "Location:"};
    for (int i = 0; i < 3; ++i) {
        lblLabels[i] = new QLabel(QString::fromLatin1(captions[i]), this);
        lblLabels[i]->setObjectName(QStringLiteral("lblLabels_%1").arg(i));
        lblLabels[i]->setFont(bold);
    }
    lblLabels[0]->setAlignment(Qt::AlignRight | Qt::AlignTop);
    lblLabels[2]->setAlignment(Qt::AlignRight | Qt::AlignTop);
    lblLabels[1]->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    Twips::place(lblLabels[0], 165, 1410, 1185, 255);
    Twips::place(lblLabels[2], 3135, 1425, 1005, 255);
    Twips::place(lblLabels[1], 180, 1890, 1815, 255);

    const QFont large = Fonts::make(QStringLiteral("Arial"), 14.25, true);
    auto* areaCode = new QLineEdit(this);
    auto* description = new NoteBox(this);
    auto* location = new QLineEdit(this);
    txtFields = {areaCode, description, location};
    for (int i = 0; i < 3; ++i)
        txtFields[i]->setObjectName(QStringLiteral("txtFields_%1").arg(i));
    areaCode->setFont(large);
    areaCode->setAlignment(Qt::AlignCenter);
    areaCode->setAccessibleName(QStringLiteral("AreaCode"));
    location->setFont(large);
    location->setAlignment(Qt::AlignCenter);
    location->setAccessibleName(QStringLiteral("Location"));
    description->setFont(Fonts::make(QStringLiteral("Arial"), 8.25, true));
    description->setAccessibleName(QStringLiteral("Description"));
    // Tab moves on to the next field rather than into the text.
    description->setTabChangesFocus(true);
    Twips::place(areaCode, 1455, 1410, 1080, 465);
    Twips::place(location, 4230, 1440, 1080, 465);
    Twips::place(description, 180, 2115, 5490, 1725);

    Label4 = new QLabel(this);
    Label4->setObjectName(QStringLiteral("Label4"));
    Twips::place(Label4, 180, 3870, 5505, 240);
}

// The bar of command buttons above the navigation bar.
void frmAreaCodes::buildButtonBar() {
    picButtons = new QWidget(this);
    picButtons->setObjectName(QStringLiteral("picButtons"));
    Twips::place(picButtons, 0, clientHeight - navigationBarHeight - buttonBarHeight, clientWidth,
                 buttonBarHeight);
    auto barButton = [this](const QString& caption, const QString& name, int left,
                            void (frmAreaCodes::*handler)()) {
        auto* b = new QPushButton(caption, picButtons);
        b->setObjectName(name);
        Twips::place(b, left, 0, 1095, 300);
        connect(b, &QPushButton::clicked, this, [this, handler] { (this->*handler)(); });
        return b;
    };
    cmdAdd = barButton(QStringLiteral("&Add"), QStringLiteral("cmdAdd"), 59,
                       &frmAreaCodes::cmdAdd_Click);
    cmdUpdate = barButton(QStringLiteral("&Update"), QStringLiteral("cmdUpdate"), 1213,
                          &frmAreaCodes::cmdUpdate_Click);
    cmdDelete = barButton(QStringLiteral("&Delete"), QStringLiteral("cmdDelete"), 2367,
                          &frmAreaCodes::cmdDelete_Click);
    cmdRefresh = barButton(QStringLiteral("&Refresh"), QStringLiteral("cmdRefresh"), 3521,
                           &frmAreaCodes::cmdRefresh_Click);
    cmdClose = barButton(QStringLiteral("&Close"), QStringLiteral("cmdClose"), 4675,
                         &frmAreaCodes::cmdClose_Click);
}

// The data source with its navigation bar at the bottom, bound to the fields.
void frmAreaCodes::buildDataControl() {
    datPrimaryRS = new AdoDataControl(this);
    datPrimaryRS->setObjectName(QStringLiteral("datPrimaryRS"));
    Twips::place(datPrimaryRS, 0, clientHeight - navigationBarHeight, clientWidth,
                 navigationBarHeight);
    datPrimaryRS->setRecordSource(QString::fromLatin1(fullList));
    datPrimaryRS->bind(static_cast<QLineEdit*>(txtFields[0]), QStringLiteral("AreaCode"));
    datPrimaryRS->bind(static_cast<NoteBox*>(txtFields[1]), QStringLiteral("Description"));
    datPrimaryRS->bind(static_cast<QLineEdit*>(txtFields[2]), QStringLiteral("Location"));
    connect(datPrimaryRS, &AdoDataControl::moveComplete, this,
            [this] { datPrimaryRS_MoveComplete(); });
    connect(datPrimaryRS, &AdoDataControl::error, this,
            [this](int number, const QString& text, bool* cancel) {
                datPrimaryRS_Error(number, text, cancel);
            });
}

void frmAreaCodes::Form_Load() {
    const QString folder = folderPath();
    try {
        ListFiles::openAreaCodes();
    } catch (const RunError& e) {
        // Neither name is given up: with both present the open name is used and
        // the other file stays untouched for the user to sort out.
        const bool both = FileSystem::exists(ListFiles::pathOf(ListFiles::areaCodesOpen));
        MsgBox::show(
            both ? QStringLiteral("Both AreaCodes.dat and AreaCodes.mdb are in the "
                                  "application folder. The area codes are opened from "
                                  "AreaCodes.mdb; AreaCodes.dat is left as it is.")
                 : QStringLiteral("AreaCodes.dat could not be renamed to AreaCodes.mdb.\n\n") +
                       e.failureMessage(),
            MsgBox::Buttons::Ok, MsgBox::Icon::Exclamation);
    }
    QCoreApplication::processEvents();
    datPrimaryRS->setConnectionString(
        QStringLiteral("Provider=Microsoft.Jet.OLEDB.4.0;Data Source=") + folder +
        QStringLiteral("\\AreaCodes.mdb;Persist Security Info=False"));
    // The path is shown the way this system writes paths.
    const QString shownPath = QDir::toNativeSeparators(folder + QStringLiteral("/AreaCodes.mdb"));
    // Area codes kept in Access format are converted first; refused, they are
    // not opened (the user has been told why).
    if (!AccessListPrompt::bringIn(this, ListFiles::pathOf(ListFiles::areaCodesOpen),
                                   QStringLiteral("TelephoneAreas"))) {
        Label4->setText(shownPath);
        return;
    }
    try {
        datPrimaryRS->refresh();
    } catch (const RunError& e) {
        MsgBox::show(QStringLiteral("The area code database %1 could not be opened.\n\n%2")
                         .arg(shownPath, e.failureMessage()),
                     MsgBox::Buttons::Ok, MsgBox::Icon::Exclamation);
    }
    Label4->setText(shownPath);
}

void frmAreaCodes::Command1_Click() {
    handled(
        [this] {
            const QString code = Text1[0]->text();
            if (!code.isEmpty()) {
                if (!isAreaCodeNumber(code))
                    throw RunError::of(ErrNo::TypeMismatch);
                datPrimaryRS->recordset().find(QStringLiteral("AreaCode = ") + code);
                return;
            }
            if (!Text1[1]->text().isEmpty()) {
                // Locations are always looked up in capitals.
                Text1[1]->setText(Text1[1]->text().toUpper());
                QString location = Text1[1]->text();
                location.replace(QLatin1Char('\''), QLatin1String("''"));
                datPrimaryRS->setRecordSource(QString::fromLatin1(locationFilter) + location +
                                              QLatin1Char('\''));
                datPrimaryRS->refresh();
                Label5->setText(QStringLiteral("Search retrieved ") +
                                QString::number(datPrimaryRS->recordset().recordCount()) +
                                QStringLiteral(" area codes."));
            }
        },
        numbered);
}

void frmAreaCodes::Command2_Click() {
    datPrimaryRS->setRecordSource(QString::fromLatin1(fullList));
    try {
        datPrimaryRS->refresh();
    } catch (const RunError& e) {
        MsgBox::show(QStringLiteral("The full list of area codes could not be shown.\n\n") +
                         e.failureMessage(),
                     MsgBox::Buttons::Ok, MsgBox::Icon::Exclamation);
    }
    Label5->setText(QStringLiteral("Search "));
    Text1[0]->clear();
    Text1[1]->clear();
}

void frmAreaCodes::cmdAdd_Click() {
    handled([this] { datPrimaryRS->recordset().addNew(); }, descriptionOnly);
}

void frmAreaCodes::cmdUpdate_Click() {
    handled([this] { datPrimaryRS->updateBatch(); }, descriptionOnly);
}

void frmAreaCodes::cmdDelete_Click() {
    handled(
        [this] {
            Recordset& rs = datPrimaryRS->recordset();
            rs.deleteCurrent();
            rs.moveNext();
            // Deleting the last record leaves the new last one current (if any is left).
            if (rs.isEOF() && rs.recordCount() > 0)
                rs.moveLast();
        },
        descriptionOnly);
}

void frmAreaCodes::cmdRefresh_Click() {
    handled([this] { datPrimaryRS->refresh(); }, descriptionOnly);
}

void frmAreaCodes::cmdClose_Click() {
    close();
}

void frmAreaCodes::Text1_GotFocus(qint16 index) {
    // At most one search field holds text when a search starts.
    Text1[index == 0 ? 1 : 0]->clear();
}

void frmAreaCodes::Text1_KeyPress(qint16 index, qint16& keyAscii) {
    if (keyAscii != 13)
        return;
    if (index == 1)
        Text1[1]->setText(Text1[1]->text().toUpper());
    Command1_Click();
}

void frmAreaCodes::Text1_LostFocus(qint16 index) {
    if (index == 1)
        Text1[1]->setText(Text1[1]->text().toUpper());
}

void frmAreaCodes::datPrimaryRS_MoveComplete() {
    if (!datPrimaryRS->hasRecordset())
        return;
    try {
        datPrimaryRS->setCaption(QStringLiteral("Record: ") +
                                 QString::number(datPrimaryRS->recordset().absolutePosition()));
    } catch (const RunError&) {
        // The caption keeps its last text when the position cannot be read.
    }
}

void frmAreaCodes::datPrimaryRS_Error(qint32, const QString& description, bool* fCancelDisplay) {
    const int pending = PendingError::number();
    if (pending == 0 || pending == 13 || pending == 52 || pending == 53) {
        *fCancelDisplay = true;
        return;
    }
    MsgBox::show(QStringLiteral("*") + QString::number(pending) +
                     QStringLiteral(" Data error event hit err:") + description,
                 MsgBox::Buttons::Ok, MsgBox::Icon::None);
}

void frmAreaCodes::Form_Unload(qint16&) {
    while (QApplication::overrideCursor())
        QApplication::restoreOverrideCursor();
    QCoreApplication::processEvents();
    // Closing stores the record being edited; one the database refuses is lost,
    // so the user is told.
    if (datPrimaryRS->hasRecordset()) {
        try {
            datPrimaryRS->recordset().storePending();
        } catch (const RunError& e) {
            MsgBox::show(
                QStringLiteral("The changes to the current area code were not saved.\n\n") +
                    e.failureMessage(),
                MsgBox::Buttons::Ok, MsgBox::Icon::Exclamation);
        }
    }
    // Lets go of the file, so it can be renamed back while this window is going.
    datPrimaryRS->close();
}

void frmAreaCodes::closeEvent(QCloseEvent* event) {
    qint16 cancel = 0;
    Form_Unload(cancel);
    if (g_instance == this)
        g_instance = nullptr;
    event->accept();
}

bool frmAreaCodes::eventFilter(QObject* watched, QEvent* event) {
    for (qint16 i = 0; i < 2; ++i) {
        if (watched != Text1[i])
            continue;
        switch (event->type()) {
        case QEvent::FocusIn:
            Text1_GotFocus(i);
            break;
        case QEvent::FocusOut:
            Text1_LostFocus(i);
            break;
        case QEvent::KeyPress: {
            const auto* key = static_cast<QKeyEvent*>(event);
            if (key->key() == Qt::Key_Return || key->key() == Qt::Key_Enter) {
                qint16 keyAscii = 13;
                Text1_KeyPress(i, keyAscii);
            }
            break;
        }
        default:
            break;
        }
    }
    // The key and focus events go on to the field unchanged.
    return QWidget::eventFilter(watched, event);
}
