// SPDX-License-Identifier: GPL-3.0-or-later
#include "Actions.h"
#include "CommandLine.h"
#include "main_window/Globals.h"

#include "carddav_sync/ListLink.h"
#include "carddav_sync/Passwords.h"
#include "platform/AppFolder.h"
#include "platform/Database.h"
#include "platform/RunError.h"
#include "storage/ListFiles.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QTextStream>
#include <cstdio>

namespace {
const QString optLinkServer = QStringLiteral("link-server");
const QString optUser = QStringLiteral("user");
const QString optBook = QStringLiteral("book");
const QString optPasswordStdin = QStringLiteral("password-stdin");
const QString optSync = QStringLiteral("sync");
const QString optUnlink = QStringLiteral("unlink");

void say(FILE* to, const QString& text) {
    std::fputs((text + QLatin1Char('\n')).toLocal8Bit().constData(), to);
    std::fflush(to);
}

// A settings file that cannot be read leaves the default list.
QString listFile(const QCommandLineParser& parser) {
    try {
        return CommandLine::listFileName(parser);
    } catch (const RunError&) {
        return QString::fromLatin1(Globals::defaultListName);
    }
}

QString password(const QCommandLineParser& parser, const QString& key) {
    if (parser.isSet(optPasswordStdin)) {
        QTextStream in(stdin);
        return in.readLine();
    }
    return Passwords::read(key);
}

int command(const QCommandLineParser& parser) {
    const QString name = listFile(parser);
    if (!ListFiles::isPlainFileName(name))
        throw RunError(52, QStringLiteral("\"%1\" is no list name.").arg(name));
    Database db(ListFiles::pathOf(name));
    if (parser.isSet(optLinkServer)) {
        const QUrl url = ListLink::serverUrl(parser.value(optLinkServer));
        const QString key = Passwords::keyFor(url.toString(), parser.value(optUser));
        const QString secret = password(parser, key);
        DavClient client({url, parser.value(optUser), secret, {}, 30000});
        const DavClient::Book chosen = ListLink::link(db, client, parser.value(optBook));
        Passwords::write(key, secret);
        say(stdout, QStringLiteral("%1 linked to the address book \"%2\" (%3)")
                        .arg(ListFiles::displayName(name), chosen.name, chosen.url.toString()));
        return 0;
    }
    const std::optional<SyncStore::Link> link = ListLink::linkOf(db);
    if (parser.isSet(optUnlink)) {
        if (link)
            Passwords::forget(Passwords::keyFor(link->server, link->user));
        ListLink::unlink(db);
        say(stdout,
            QStringLiteral("%1 is linked to no address book").arg(ListFiles::displayName(name)));
        return 0;
    }
    if (!link)
        throw DavError(
            DavError::Kind::NotFound,
            QStringLiteral("%1 is linked to no address book.").arg(ListFiles::displayName(name)));
    const QString secret = password(parser, Passwords::keyFor(link->server, link->user));
    DavClient client(ListLink::accountOf(*link, secret));
    const SyncEngine::Result result = SyncEngine(db, client).run();
    say(stdout, result.summary());
    return 0;
}
} // namespace

namespace Actions {

// --link-server, --sync and --unlink: run without a window, the password from
// the keyring or standard input.
int addressBookServer(const QCommandLineParser& parser) {
    const QString refusal = AppFolder::choose(QCoreApplication::applicationDirPath(),
                                              parser.value(QStringLiteral("folder")));
    if (!refusal.isEmpty()) {
        say(stderr, refusal);
        return 1;
    }
    if (parser.isSet(optLinkServer) && parser.value(optUser).isEmpty()) {
        say(stderr, QStringLiteral("--link-server needs --user."));
        return 2;
    }
    try {
        return command(parser);
    } catch (const DavError& e) {
        say(stderr, e.message());
    } catch (const RunError& e) {
        say(stderr, e.description());
    }
    return 1;
}

} // namespace Actions
