// SPDX-License-Identifier: GPL-3.0-or-later
#include "SyncCommands.h"

#include "carddav_sync/ListLink.h"
#include "carddav_sync/Passwords.h"
#include "platform/AppFolder.h"
#include "platform/Database.h"
#include "platform/MsgBox.h"
#include "platform/RunError.h"
#include "storage/IniFile.h"
#include "storage/ListFiles.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QTextStream>
#include <cstdio>
#include <cstring>

namespace {
const QString optLinkServer = QStringLiteral("link-server");
const QString optUser = QStringLiteral("user");
const QString optList = QStringLiteral("list");
const QString optBook = QStringLiteral("book");
const QString optPasswordStdin = QStringLiteral("password-stdin");
const QString optSync = QStringLiteral("sync");
const QString optUnlink = QStringLiteral("unlink");

void say(FILE* to, const QString& text) {
    std::fputs((text + QLatin1Char('\n')).toLocal8Bit().constData(), to);
    std::fflush(to);
}

QString listFile(const QCommandLineParser& parser) {
    if (parser.isSet(optList))
        return ListFiles::fileNameFor(parser.value(optList));
    QString current;
    try {
        current = IniFile::ReadIniValue(QStringLiteral("[lastdb]"), QStringLiteral("db"));
    } catch (const RunError&) {
    }
    return current.isEmpty() ? QStringLiteral("Quillary.mdb") : current;
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

namespace SyncCommands {

void addOptions(QCommandLineParser& parser) {
    parser.addOption({optLinkServer,
                      QStringLiteral("Link the list to an address book on the server at <url> "
                                     "(the first book, or the one --book names), and exit."),
                      QStringLiteral("url")});
    parser.addOption(
        {optUser, QStringLiteral("The user name on the server."), QStringLiteral("name")});
    parser.addOption({optBook, QStringLiteral("The address book's address or name on the server."),
                      QStringLiteral("href")});
    parser.addOption({optList,
                      QStringLiteral("The list to link, sync or unlink (the current list "
                                     "when not given)."),
                      QStringLiteral("name")});
    parser.addOption({optPasswordStdin,
                      QStringLiteral("Read the server password from the first line of standard "
                                     "input instead of the keyring.")});
    parser.addOption(
        {optSync, QStringLiteral("Sync the list with its address book both ways, print "
                                 "what changed, and exit.")});
    parser.addOption(
        {optUnlink, QStringLiteral("Unlink the list from its address book, and exit.")});
}

bool requested(int argc, char** argv) {
    for (int i = 1; i < argc; ++i)
        for (const char* option : {"--link-server", "--sync", "--unlink"})
            if (std::strncmp(argv[i], option, std::strlen(option)) == 0 &&
                (argv[i][std::strlen(option)] == '\0' || argv[i][std::strlen(option)] == '='))
                return true;
    return false;
}

int run(const QCommandLineParser& parser, const QString& folder) {
    MsgBox::setScripted(true);
    if (!AppFolder::choose(QCoreApplication::applicationDirPath(), folder)) {
        say(stderr, MsgBox::last().text);
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

} // namespace SyncCommands
