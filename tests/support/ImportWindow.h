// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The import window's suites: a fake home and mail store, the window opened
// from the main window's menu, its lists clicked and read, the list file read.
#include "outlook_import/BusyProgress.h"
#include "outlook_import/frmContacts.h"
#include "outlook_import/modOutLook.h"
#include "support/Harness.h"

#include <QListWidget>
#include <QProgressDialog>

namespace ImportWindow {

// The mail programs look for their books under this home only.
inline void setHome(const QString& home) {
    for (const auto& [name, under] : {std::pair{"HOME", ""},
                                      {"XDG_DATA_HOME", "/.local/share"},
                                      {"XDG_CONFIG_HOME", "/.config"},
                                      {"XDG_CONFIG_DIRS", "/etc"},
                                      {"XDG_DATA_DIRS", "/usr"}})
        qputenv(name, QFile::encodeName(home + QLatin1String(under)));
}

// One address book card; extra lines go before END.
inline QByteArray card(const QString& fn, const QByteArray& extra = {}) {
    QByteArray out = "BEGIN:VCARD\r\nVERSION:3.0\r\n";
    if (!fn.isNull())
        out += "FN:" + fn.toUtf8() + "\r\n";
    return out + extra + "END:VCARD\r\n";
}

// Writes a file of cards into a folder of the mail store.
inline void writeCards(const QString& store, const QString& fileName, const QByteArray& cards,
                       const QString& folder = QStringLiteral("Personal Folders/Contacts")) {
    const QString dir = store + u'/' + folder;
    QVERIFY(QDir().mkpath(dir));
    QFile file(dir + u'/' + fileName);
    QVERIFY(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
    file.write(cards);
}

// Opens the window from the main window's menu, as the user does.
inline frmContacts* open(pList& main) {
    main.mnuGetOLC->trigger();
    frmContacts* form = frmContacts::loaded();
    return form && QTest::qWaitForWindowExposed(form) ? form : nullptr;
}

inline void close() {
    if (frmContacts::loaded())
        frmContacts::loaded()->close();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    modOutLook::setStoreRootForTesting(QString());
}

// Clicks an entry towards its right end: the caption above the list reaches
// over the left part of its first entry.
inline void click(QListWidget* list, int row) {
    QListWidgetItem* item = list->item(row);
    QVERIFY(item);
    list->scrollToItem(item);
    const QRect rect = list->visualItemRect(item);
    Harness::click(list->viewport(), QPoint(rect.right() - rect.width() / 8, rect.center().y()));
}

inline QStringList detailTexts(const frmContacts* form) {
    return {form->Text1->text(),  form->Text2->text(), form->Text2a->text(),
            form->Text2b->text(), form->Text3->text(), form->Text3a->text()};
}

// Rows of a list file: pName, pAddress, pCity, pState, pZip, pPhone, pEmail,
// then (withUnmapped) the unmapped fields run together, all joined by "|".
inline QStringList storedRows(const QString& path, bool withUnmapped) {
    QStringList out;
    for (const QStringList& row :
         queryRows(path, "SELECT pName, pAddress, pCity, pState, pZip, pPhone, pEmail, "
                         "coalesce(CompanyName,'') || coalesce(pAddress2,'') || "
                         "coalesce(pCoPhone,'') || coalesce(pFax,'') || coalesce(pNotes,'') "
                         "FROM pName2 ORDER BY rowid"))
        out << row.mid(0, withUnmapped ? 8 : 7).join(u'|');
    return out;
}

// While it lives, long work shows its progress window at once; it notes whether
// one was shown, and whether the busy pointer was on when it appeared.
struct ProgressWatch : QObject {
    bool shown = false;
    bool busyPointer = false;
    ProgressWatch() {
        BusyProgress::setShowAfterMs(0);
        qApp->installEventFilter(this);
    }
    ~ProgressWatch() override { BusyProgress::setShowAfterMs(1000); }
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (event->type() == QEvent::Show && qobject_cast<QProgressDialog*>(watched)) {
            shown = true;
            busyPointer = QApplication::overrideCursor() &&
                          QApplication::overrideCursor()->shape() == Qt::WaitCursor;
        }
        return false;
    }
};

} // namespace ImportWindow
