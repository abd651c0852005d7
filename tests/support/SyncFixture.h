// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// A list linked to an address book on a real server started for the test, and
// a "phone" that writes and reads the same book directly.
#include "carddav_sync/DavClient.h"
#include "carddav_sync/ListLink.h"
#include "carddav_sync/SyncEngine.h"
#include "platform/AppFolder.h"
#include "platform/Database.h"
#include "support/DavServer.h"
#include "support/TestFolder.h"
#include "vcard/VCardReader.h"

#include <QMap>
#include <QProcess>
#include <QtTest>
#include <SQLiteCpp/SQLiteCpp.h>
#include <memory>

// Both servers; and Radicale not reporting changes, where the sync compares
// listings instead.
inline void addServerRows(bool listing = true) {
    QTest::addColumn<DavServer::Kind>("kind");
    QTest::newRow("Radicale") << DavServer::Kind::Radicale;
    QTest::newRow("Xandikos") << DavServer::Kind::Xandikos;
    if (listing)
        QTest::newRow("Radicale, no change reports") << DavServer::Kind::RadicaleListing;
}

// A card as a phone would write it.
inline QByteArray phoneCard(const QString& uid, const QString& name, const QString& tel = {},
                            const QString& email = {}, const QString& note = {}) {
    QByteArray c = "BEGIN:VCARD\r\nVERSION:3.0\r\nPRODID:-//Phone//EN\r\nUID:" + uid.toUtf8() +
                   "\r\nFN:" + name.toUtf8() + "\r\nN:" + name.toUtf8() + ";;;;\r\n";
    if (!tel.isEmpty())
        c += "TEL;TYPE=HOME,VOICE:" + tel.toUtf8() + "\r\n";
    if (!email.isEmpty())
        c += "EMAIL;TYPE=INTERNET:" + email.toUtf8() + "\r\n";
    if (!note.isEmpty())
        c += "NOTE:" + note.toUtf8() + "\r\n";
    c += "X-PHONE-RINGTONE:bells\r\nBDAY:1970-01-02\r\nEND:VCARD\r\n";
    return c;
}

class SyncFixture {
public:
    DavServer server;
    TestFolder folder;
    std::unique_ptr<DavClient> phone;

    explicit SyncFixture(DavServer::Kind kind, bool tls = false) : server(kind, tls) {}

    // Starts the program on the test's folder with args, the password on its
    // standard input.
    void startProgram(QProcess& p, const QStringList& args, const QString& password) {
        p.start(QStringLiteral(QUILLARY_APP_BUILD_DIR "/quillary"),
                QStringList{QStringLiteral("--folder"), folder.path()} + args);
        p.write((password + u'\n').toUtf8());
        p.closeWriteChannel();
    }

    // Starts the server, makes the list with the contacts (name, company,
    // address... in table order) and links it; false when the server failed.
    bool start(const QList<QStringList>& contacts = {}) {
        if (!server.start())
            return false;
        AppFolder::setProgramFolderForTesting(folder.path());
        folder.install(QStringLiteral("plist.ini"));
        folder.addList(QStringLiteral("Quillary.mdb"));
        folder.addContacts(QStringLiteral("Quillary.mdb"), contacts);
        phone = std::make_unique<DavClient>(account(server.book()));
        Database db(listPath());
        DavClient client(account(server.root()));
        ListLink::link(db, client, server.book().toString());
        return true;
    }
    DavAccount account(const QUrl& url, const QString& password = {}) const {
        return {url, server.user(), password.isNull() ? server.password() : password, {}, 5000};
    }
    QString listPath() const { return folder.file(QStringLiteral("Quillary.mdb")); }

    SyncEngine::Result sync() {
        Database db(listPath());
        DavClient client(ListLink::accountOf(*ListLink::linkOf(db), server.password(), 5000));
        return SyncEngine(db, client).run();
    }
    void sql(const QString& statement) {
        SQLite::Database db(listPath().toStdString(), SQLite::OPEN_READWRITE);
        db.exec(statement.toStdString());
    }
    // The list's contacts: name → the twelve fields joined by "|", sorted.
    QStringList contacts() const {
        QStringList out;
        SQLite::Database db(listPath().toStdString(), SQLite::OPEN_READONLY);
        SQLite::Statement q(db, "SELECT * FROM pName2");
        while (q.executeStep()) {
            QStringList row;
            for (int i = 0; i < 12; ++i)
                row << QString::fromUtf8(q.getColumn(i).getText());
            out << row.join(u'|');
        }
        out.sort();
        return out;
    }
    // The book's cards on the server, by href.
    QMap<QString, DavClient::Card> cards() {
        QStringList hrefs;
        for (const DavClient::Change& c : phone->listCards(server.book()))
            hrefs << c.href;
        QMap<QString, DavClient::Card> out;
        for (const DavClient::Card& c : phone->fetch(server.book(), hrefs))
            out.insert(c.href, c);
        return out;
    }
    // The server's contacts as the list would hold them, in the form of contacts().
    QStringList serverContacts() {
        QStringList out;
        for (const DavClient::Card& c : cards())
            for (const ContactCard& card : VCardReader::readData(c.data))
                out << QStringList(card.fields.values.begin(), card.fields.values.end()).join(u'|');
        out.sort();
        return out;
    }
    QString href(const QString& name) const {
        return DavClient::pathOf(server.book()) + name + QStringLiteral(".vcf");
    }
    int phonePut(const QString& name, const QByteArray& card, const QString& etag = {}) {
        QList<std::pair<QByteArray, QByteArray>> h{{"Content-Type", "text/vcard"}};
        if (!etag.isEmpty())
            h.append({"If-Match", etag.toUtf8()});
        return phone->send("PUT", phone->cardUrl(href(name)), card, h).status;
    }
};
