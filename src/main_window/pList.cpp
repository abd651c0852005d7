// SPDX-License-Identifier: GPL-3.0-or-later
#include "pList.h"

#include "Globals.h"
#include "about/Emblem.h"
#include "about/frmAbout.h"
#include "area_codes/frmAreaCodes.h"
#include "list_dialogs/AccessListPrompt.h"
#include "list_dialogs/NewDB.h"
#include "list_dialogs/frmCopyList.h"
#include "list_dialogs/frmFM.h"
#include "main_window/ListSync.h"
#include "main_window/frmSync.h"
#include "outlook_import/modOutLook.h"
#include "platform/AppFolder.h"
#include "platform/Database.h"
#include "platform/FileSystem.h"
#include "platform/MsgBox.h"
#include "platform/NoteBox.h"
#include "platform/Recordset.h"
#include "platform/Resume.h"
#include "platform/Twips.h"
#include "storage/IniFile.h"
#include "storage/ListFiles.h"

#include <QAction>
#include <QApplication>
#include <QCloseEvent>
#include <QFileInfo>
#include <QFocusEvent>
#include <QLabel>
#include <QLayout>
#include <QLineEdit>
#include <QMenu>
#include <QPushButton>
#include <QSignalBlocker>

namespace {
pList* g_instance = nullptr;

// A select statement's text literal: every apostrophe doubled.
QString literal(const QString& text) {
    QString t = text;
    t.replace(QLatin1Char('\''), QLatin1String("''"));
    return t;
}

// Remembers the current list in the settings file. A failure is shown and the
// handler goes on.
void rememberList(const QString& fileName) {
    try {
        IniFile::WriteIniValue(QStringLiteral("[lastdb]"), QStringLiteral("db=") + fileName,
                               QString::fromLatin1(Globals::settingsFileName));
    } catch (const RunError& e) {
        MsgBox::show(e.failureMessage(), MsgBox::Buttons::Ok, MsgBox::Icon::None);
    }
}

// A table without person names is no phonebook list (3265).
void requirePersonNames(Recordset& records) {
    if (records.fieldIndex(QStringLiteral("pName")) < 0)
        throw RunError::of(ErrNo::ItemNotFound);
}
} // namespace

pList::pList(QWidget* parent) : QMainWindow(parent) {
    g_instance = this;
    setObjectName(QStringLiteral("pList"));
    setWindowTitle(QStringLiteral("  Quillary"));
    setWindowIcon(Emblem::programIcon());
    buildControls();
    buildMenus();
    setWindowFlag(Qt::MSWindowsFixedSizeDialogHint);
    layout()->setSizeConstraint(QLayout::SetFixedSize);

    showListChooser = [this] { frmFM::showModal(globals_); };
    showNewList = [this] { NewDB::showModal(globals_); };
    endProgram = [] { QCoreApplication::exit(0); };
    listSync = new ListSync(*this);

    connect(List1, &SortedListBox::clicked, this, &pList::List1_Click);
    connect(List1, &SortedListBox::mouseDown, this, &pList::List1_MouseDown);
    connect(Data1, &DataControl::repositioned, this, [this] { setFieldsReadOnly(false); });
    connect(cmdAdd, &QPushButton::clicked, this, [this] { cmdAdd_Click(); });
    connect(smdSave, &QPushButton::clicked, this, [this] { smdSave_Click(); });
    Text9->installEventFilter(this);

    const QList<QPair<QAction*, void (pList::*)(qint16)>> handlers = {
        {Delete, &pList::Delete_Click},
        {AddNew, &pList::AddNew_Click},
        {mnuGetOLC, &pList::mnuGetOLC_Click},
        {mnuExport, &pList::mnuExport_Click},
        {Refresh, &pList::Refresh_Click},
        {MakeDB, &pList::MakeDB_Click},
        {DBSwitch, &pList::DBSwitch_Click},
        {ListCopy, &pList::ListCopy_Click},
        {LoadIndiv, &pList::LoadIndiv_Click},
        {LoadCompany, &pList::LoadCompany_Click},
        {AreaCodeLookup, &pList::AreaCodeLookup_Click},
        {mnuSync, &pList::mnuSync_Click},
        {Exit, &pList::Exit_Click},
        {Exit2, &pList::Exit2_Click},
        {About, &pList::About_Click},
        {mnuDelContact, &pList::mnuDelContact_Click},
        {mnuRefresh, &pList::mnuRefresh_Click},
    };
    for (const auto& [action, handler] : handlers)
        connect(action, &QAction::triggered, this, [this, h = handler] { (this->*h)(0); });
}

pList::~pList() {
    if (g_instance == this)
        g_instance = nullptr;
}

pList* pList::instance() {
    return g_instance;
}

void pList::startProgram() {
    auto* w = new pList;
    w->setAttribute(Qt::WA_DeleteOnClose);
    w->Form_Load();
    w->show();
    Twips::centreOnScreen(w);
}

void pList::Form_Load() {
    const HandlerScope scope;
    const QString settings = QString::fromLatin1(Globals::settingsFileName);
    const QString folder = AppFolder::programFolder();
    // The list last used, when the settings remember one that can be opened. A
    // name that would lead out of the application folder, or that names the
    // template or the area code file, counts as none. A settings file that
    // cannot be read leaves no remembered list: the chooser asks.
    const auto remembered = [&] {
        QString name;
        resumeStep([&] {
            name =
                IniFile::ReadIniValue(QStringLiteral("[lastdb]"), QStringLiteral("db"), settings);
        });
        if (!ListFiles::isPlainFileName(name) || ListFiles::isReservedData(name))
            name.clear();
        return name;
    };
    QString name = remembered();
    const QFileInfo last(AppFolder::join(folder, name));
    if (name.isEmpty() || !last.isFile() || !last.isReadable()) {
        // None: the default list becomes the remembered one.
        rememberList(QString::fromLatin1(Globals::defaultListName));
        name = remembered();
    }
    globals_.currentListName = name;
    Label13->setText(globals_.currentListName);

    if (!FileSystem::anyMatch(folder, QString::fromLatin1(ListFiles::listPattern))) {
        if (showNewList)
            showNewList();
        return;
    }
    if (name.isEmpty() && showListChooser)
        showListChooser();
    // A name must name a file: an empty one would name the folder itself.
    const QString current = globals_.currentListName;
    if ((current.isEmpty() || !QFileInfo(AppFolder::join(folder, current)).isFile()) &&
        showListChooser)
        showListChooser();
    // A remembered list that is still an Access file is converted before it opens
    // (a missing file or the folder itself is no Access file).
    AccessListPrompt::bringIn(this, AppFolder::join(folder, globals_.currentListName),
                              QString::fromLatin1(Globals::contactTable));
    Label6->setText(QStringLiteral("Individual Name"));
    globals_.listDisplayMode = 1;
    Refresh_Click(0);
    resumeStep([&] {
        if (Data1->hasRecordset() && Data1->recordset().recordCount() > 0)
            List1->setListIndex(0);
    });
}

void pList::Refresh_Click(qint16) {
    const HandlerScope scope;
    resumeStep([this] { globals_.applicationFolderPath = AppFolder::programFolder(); });
    const Opening opening = openWholeTable();
    if (opening == Opening::Locked)
        return;
    const bool opened = opening == Opening::Opened;
    List1->clear();
    if (opened)
        fillList(QStringLiteral("pName"), false);
    else
        listStoredNames(QStringLiteral("pName"));
    Label6->setText(QStringLiteral("Individual Name"));
    Label13->setText(globals_.currentListName);
    globals_.listDisplayMode = 1;
    if (opened)
        listSync->listShown(Data1->databaseName());
}

// Points Data1 at the current list's whole table. A list
// that cannot be opened leaves nothing of the list open before (unless an edit
// is still waiting to be stored), so the window never lists or deletes another
// file's contacts. A list another program holds stays open as it was: the user
// hears of it, and the caller leaves the window as it is.
pList::Opening pList::openWholeTable() {
    reportUnstorableEdits();
    // Text typed while no list is open; a failed open puts it back.
    const QStringList typed = fieldTexts();
    const bool typedWithoutList = !Data1->hasRecordset() && !typed.join(QString()).isEmpty();
    const bool opened = resumeStep([this] {
        Data1->setDatabaseName(
            AppFolder::join(globals_.applicationFolderPath, globals_.currentListName));
        Data1->setRecordSource(QString::fromLatin1(Globals::contactTable));
        Data1->refresh();
        requirePersonNames(Data1->recordset());
    });
    if (!opened && reportLocked())
        return Opening::Locked;
    if (!opened && !Data1->dataChanged()) {
        // A contact typed while no list is open cannot be stored: say so, and
        // keep the typed text for another try.
        Data1->close();
        if (typedWithoutList) {
            setFieldTexts(typed);
            MsgBox::show(PendingError::error().failureMessage() +
                             QStringLiteral("\r\nThe contact was not stored: the list \"") +
                             globals_.currentListName + QStringLiteral("\" is not open."),
                         MsgBox::Buttons::Ok, MsgBox::Icon::Exclamation);
        } else {
            Data1->showCurrent();
        }
    }
    if (opened && typedWithoutList) {
        // The list opens now: the contact typed meanwhile becomes a new one of it.
        resumeStep([&] {
            Data1->recordset().addNew();
            setFieldTexts(typed);
        });
    }
    return opened ? Opening::Opened : Opening::Failed;
}

// Another program holds the list (3218): the user hears of it once (a refused
// store was reported already). Returns whether that is the failure pending.
bool pList::reportLocked(const QString& title) {
    if (PendingError::number() != ErrNo::CouldNotUpdateLocked)
        return false;
    if (!Data1->dataChanged())
        MsgBox::show(PendingError::error().failureMessage(), MsgBox::Buttons::Ok,
                     MsgBox::Icon::Exclamation, title);
    return true;
}

// The entry chosen could not be looked up: nothing is selected any more, and
// unless the fields hold the user's own edit waiting to be stored, they take no
// typing until a contact is shown or begun, so nothing typed lands in a record
// the user did not choose.
void pList::lookupFailed() {
    const QSignalBlocker noLookup(List1);
    List1->setListIndex(-1);
    if (!Data1->dataChanged())
        setFieldsReadOnly(true);
}

void pList::setFieldsReadOnly(bool on) {
    for (QLineEdit* field : lineFields())
        field->setReadOnly(on);
    Text5->setReadOnly(on);
}

QList<QLineEdit*> pList::lineFields() const {
    return {Text1, Text2, Text3, Text4, Text6, Text7, Text8, Text9, Text10, Text11, Text12};
}

QStringList pList::fieldTexts() const {
    QStringList texts;
    for (const QLineEdit* field : lineFields())
        texts << field->text();
    return texts << Text5->note();
}

void pList::setFieldTexts(const QStringList& texts) {
    const QList<QLineEdit*> fields = lineFields();
    for (int i = 0; i < fields.size(); ++i)
        fields[i]->setText(texts.at(i));
    Text5->setNote(texts.last());
}

// Edits to fields the open list lacks cannot be stored; the user hears of them
// when the record would be stored.
void pList::reportUnstorableEdits() {
    const QStringList fields = Data1->unstorableEdits();
    if (fields.isEmpty())
        return;
    MsgBox::show(RunError::of(ErrNo::ItemNotFound).failureMessage() +
                     QStringLiteral("\r\nThe list \"") + globals_.currentListName +
                     QStringLiteral("\" has no field ") + fields.join(QStringLiteral(", ")) +
                     QStringLiteral("; what was typed there is not stored."),
                 MsgBox::Buttons::Ok, MsgBox::Icon::Exclamation);
}

// The edit waiting to be stored was refused and stays pending; the names stored
// in the file are listed through a recordset of their own, which leaves the
// edited record where it is.
void pList::listStoredNames(const QString& fieldName) {
    if (!Data1->dataChanged() || Data1->database()->path() != Data1->databaseName())
        return;
    resumeStep([&] {
        Recordset names(*Data1->database(), QString::fromLatin1(Globals::contactTable));
        names.moveFirst();
        names.walkToEnd(names.fieldIndex(fieldName), [&](QByteArrayView text, bool isNull) {
            if (!isNull)
                List1->addItemUtf8(text);
        });
    });
}

// A contact typed while no list is open is tried once more before the list is
// left (by a switch or by closing): if the list opens now, the contact becomes
// a new one of it, waiting to be stored; if it still cannot be opened, the user
// hears of it, as Save Changes reports it.
void pList::storeTypedContact() {
    if (!Data1->hasRecordset() && !fieldTexts().join(QString()).isEmpty())
        openWholeTable();
}

// Makes fileName the current list. A contact typed while the list could not be
// opened is tried on it once more, and the edit waiting in the list open now is
// stored first: a refusal (reported by the data control) keeps that list current
// and returns false. The file is opened next, and only once it is open does it
// become current and remembered, so nothing needs undoing. Throws RunError when
// the file does not open as a phonebook list.
bool pList::openList(const QString& fileName) {
    storeTypedContact();
    if (Data1->dataChanged() && !resumeStep([this] { Data1->recordset().storePending(); }))
        return false;
    const QString path = AppFolder::join(globals_.applicationFolderPath, fileName);
    if (!ListFiles::isPlainFileName(fileName))
        throw RunError::of(ErrNo::BadFileName);
    {
        Database db(path);
        Recordset probe(db, QString::fromLatin1(Globals::contactTable));
        requirePersonNames(probe);
    }
    const QString previousDatabase = Data1->databaseName();
    const QString previousSource = Data1->recordSource();
    Data1->setDatabaseName(path);
    Data1->setRecordSource(QString::fromLatin1(Globals::contactTable));
    try {
        Data1->refresh();
    } catch (const RunError&) {
        // The list open before stays open and current.
        Data1->setDatabaseName(previousDatabase);
        Data1->setRecordSource(previousSource);
        throw;
    }
    globals_.currentListName = fileName;
    rememberList(fileName);
    listSync->listShown(path);
    return true;
}

// Walks Data1's records from the first, adding each record's field to the
// list. Person names: a null name adds nothing. Company names: only names
// greater than the empty string.
void pList::fillList(const QString& fieldName, bool skipEmpty) {
    if (!Data1->hasRecordset())
        return;
    Recordset& rs = Data1->recordset();
    DataControl::Batch batch(*Data1);
    resumeStep([&] { rs.moveFirst(); });
    resumeStep([&] {
        rs.walkToEnd(rs.fieldIndex(fieldName), [&](QByteArrayView text, bool isNull) {
            if (!isNull && !(skipEmpty && text.isEmpty()))
                List1->addItemUtf8(text);
        });
    });
}

void pList::LoadIndiv_Click(qint16) {
    loadNames(QStringLiteral("pName"), QStringLiteral("Individual Name"), 1);
}

void pList::LoadCompany_Click(qint16) {
    loadNames(QStringLiteral("CompanyName"), QStringLiteral("Company Name"), 2);
}

// The person and company fills: the whole table re-opened, the list refilled
// (an empty table leaves it as it was), then the first entry selected. Company
// names are listed only when not empty.
void pList::loadNames(const QString& fieldName, const QString& caption, qint16 mode) {
    const HandlerScope scope;
    const Opening opening = openWholeTable();
    if (opening == Opening::Locked)
        return;
    const bool opened = opening == Opening::Opened;
    if (opened) {
        resumeStep([this] {
            if (Data1->recordset().hasCurrent())
                List1->clear();
        });
        fillList(fieldName, mode == 2);
    }
    Label6->setText(caption);
    globals_.listDisplayMode = mode;
    if (opened) {
        List1->setListIndex(0);
    } else {
        // A list that cannot be opened has no contact to show: nothing is selected
        // and nothing is looked up.
        const QSignalBlocker noLookup(List1);
        List1->setListIndex(-1);
    }
}

void pList::mnuRefresh_Click(qint16) {
    Refresh_Click(0);
}

void pList::List1_Click() {
    const HandlerScope scope;
    const bool left = resumeStep([this] {
        Data1->setRecordSource(QString::fromLatin1(Globals::contactTable));
        Data1->refresh();
    });
    if (!left && reportLocked()) {
        lookupFailed();
        return;
    }
    const QString text = literal(List1->text());
    const QString statement =
        globals_.listDisplayMode == 0 || globals_.listDisplayMode == 1
            ? QStringLiteral("select * from pName2 where pName='") + text + QLatin1Char('\'')
            : QStringLiteral("select * from pName2 where CompanyName='") + text + QLatin1Char('\'');
    const bool found = resumeStep([&] {
        Data1->setRecordSource(statement);
        Data1->refresh();
    });
    if (!found && reportLocked())
        lookupFailed();
}

void pList::List1_MouseDown(Qt::MouseButton button, Qt::KeyboardModifiers, QPoint twips) {
    if (button != Qt::RightButton)
        return;
    // The pop-up stands at the pointer's list position taken in the window's
    // client area, 600 twips lower.
    const QPoint at(Twips::toPixels(twips.x()), Twips::toPixels(twips.y() + 600));
    mnuPop->popup(centralWidget()->mapToGlobal(at));
}

void pList::AddNew_Click(qint16) {
    const HandlerScope scope;
    reportUnstorableEdits();
    // A refused store keeps the edit and is reported once, by the data control.
    if (Data1->dataChanged() && !resumeStep([this] { Data1->recordset().storePending(); }))
        return;
    resumeStep([this] {
        Recordset& rs = Data1->recordset();
        if (!rs.isBOF()) {
            resumeStep([&] { rs.moveLast(); });
            resumeStep([&] { rs.moveNext(); });
        }
    });
    resumeStep([this] { Data1->recordset().addNew(); });
    Text1->setFocus(Qt::OtherFocusReason);
}

void pList::cmdAdd_Click() {
    AddNew_Click(0);
}

void pList::smdSave_Click() {
    Refresh_Click(0);
    // A refused store leaves the edit pending; it was reported once already.
    if (!Data1->dataChanged())
        AddNew_Click(0);
}

void pList::Delete_Click(qint16) {
    const HandlerScope scope;
    bool confirmed = false;
    try {
        deleteConfirmedContact(confirmed);
    } catch (const std::exception& e) {
        reportFailedDelete(toRunError(e), confirmed);
        return;
    }
    Refresh_Click(0);
}

// Walks the contacts listed under the selected entry (the company view offers
// the contacts of the selected company), asking about each; the first one the
// user confirms is deleted. Returns whether one was; confirmed tells whether the
// user said yes before a failure.
bool pList::deleteConfirmedContact(bool& confirmed) {
    Recordset& rs = Data1->recordset();
    DataControl::Batch batch(*Data1);
    rs.moveFirst();
    const bool byCompany = globals_.listDisplayMode != 0 && globals_.listDisplayMode != 1;
    const int compared =
        rs.fieldIndex(byCompany ? QStringLiteral("CompanyName") : QStringLiteral("pName"));
    const int name = rs.fieldIndex(QStringLiteral("pName"));
    const QString selected = List1->text();
    for (; !rs.isEOF(); rs.moveNext()) {
        const QVariant value = rs.field(compared);
        if (value.isNull() || value.toString() != selected)
            continue;
        if (confirmDelete(rs.field(name).toString())) {
            confirmed = true;
            rs.deleteCurrent();
            return true;
        }
    }
    return false;
}

// Shows the current contact in the fields and asks whether to delete it.
bool pList::confirmDelete(const QString& name) {
    Data1->showCurrent();
    return MsgBox::show(QStringLiteral("Delete ") + name + QStringLiteral("??"),
                        MsgBox::Buttons::OkCancel, MsgBox::Icon::Question,
                        QStringLiteral("Delete a Contact"),
                        MsgBox::Answer::Cancel) == MsgBox::Answer::Ok;
}

// The contact stays listed. A delete the user asked for says why it failed;
// before that, only a list held by another program is reported.
void pList::reportFailedDelete(const RunError& failure, bool confirmed) {
    PendingError::set(failure);
    if (confirmed)
        MsgBox::show(failure.failureMessage(), MsgBox::Buttons::Ok, MsgBox::Icon::Exclamation,
                     QStringLiteral("Delete a Contact"));
    else
        reportLocked(QStringLiteral("Delete a Contact"));
}

void pList::mnuDelContact_Click(qint16) {
    Delete_Click(0);
}

void pList::Text9_LostFocus() {
    const QString upper = Text9->text().toUpper();
    if (upper != Text9->text())
        Text9->setText(upper);
}

bool pList::eventFilter(QObject* watched, QEvent* event) {
    if (watched == Text9 && event->type() == QEvent::FocusOut) {
        // Menus and other windows take the focus for a while; only a real move
        // to another control upper-cases the state.
        const auto reason = static_cast<QFocusEvent*>(event)->reason();
        if (reason != Qt::PopupFocusReason && reason != Qt::MenuBarFocusReason &&
            reason != Qt::ActiveWindowFocusReason)
            Text9_LostFocus();
    }
    return QMainWindow::eventFilter(watched, event);
}

void pList::MakeDB_Click(qint16) {
    const HandlerScope scope;
    NewDB::showModal(globals_);
}

void pList::DBSwitch_Click(qint16) {
    const HandlerScope scope;
    resumeStep([] { ListFiles::closeAreaCodes(); });
    frmFM::showModal(globals_);
}

void pList::ListCopy_Click(qint16) {
    frmCopyList::showDialog(globals_);
}

void pList::AreaCodeLookup_Click(qint16) {
    const HandlerScope scope;
    resumeStep([] { frmAreaCodes::display(); });
}

void pList::mnuGetOLC_Click(qint16) {
    const HandlerScope scope;
    modOutLook::GetOutlookContacts();
}

void pList::mnuSync_Click(qint16) {
    frmSync::showModal();
}

void pList::About_Click(qint16) {
    frmAbout::display();
}

void pList::Exit_Click(qint16) {
    close();
    if (endProgram)
        endProgram();
}

void pList::Exit2_Click(qint16) {
    Exit_Click(0);
}

void pList::Form_Unload(qint16&) {
    const HandlerScope scope;
    // The area code file goes back under its closed name. While its window still
    // holds it the rename fails; the next switch or shutdown tries again.
    resumeStep([] { ListFiles::closeAreaCodes(); });
    storeTypedContact();
    // The last changes go to the address book server, if the list is linked.
    listSync->beforeExit();
    // Leaving the record stores it.
    Data1->close();
}

void pList::closeEvent(QCloseEvent* event) {
    qint16 cancel = 0;
    Form_Unload(cancel);
    event->accept();
}
