// SPDX-License-Identifier: GPL-3.0-or-later
#include "CommandLine.h"

#include "Actions.h"
#include "main_window/Globals.h"
#include "storage/IniFile.h"
#include "storage/ListFiles.h"

namespace CommandLine {
const std::vector<Option>& options() {
    static const std::vector<Option> table = {
        {{QStringLiteral("folder")},
         "Keep the lists in <dir>, created and seeded when new.",
         "dir",
         nullptr},
        {{QStringLiteral("h"), QStringLiteral("help"), QStringLiteral("?")},
         "Show the options and end.",
         "",
         &Actions::showHelp},
        {{QStringLiteral("v"), QStringLiteral("version")},
         "Show the version and end.",
         "",
         &Actions::showVersion},
        {{QStringLiteral("export-vcard")},
         "Write every contact of the list to <file> as vCards and end, without opening a "
         "window.",
         "file",
         &Actions::exportVcard},
        {{QStringLiteral("link-server")},
         "Link the list to an address book on the server at <url> (the first book, or the "
         "one --book names), and end.",
         "url",
         &Actions::addressBookServer},
        {{QStringLiteral("sync")},
         "Sync the list with its address book both ways, print what changed, and end.",
         "",
         &Actions::addressBookServer},
        {{QStringLiteral("unlink")},
         "Unlink the list from its address book, and end.",
         "",
         &Actions::addressBookServer},
        {{QStringLiteral("list")},
         "The list to write, link, sync or unlink (its name, with or without .mdb) instead "
         "of the current list.",
         "name",
         nullptr},
        {{QStringLiteral("user")}, "The user name on the server.", "name", nullptr},
        {{QStringLiteral("book")},
         "The address book's address or name on the server.",
         "href",
         nullptr},
        {{QStringLiteral("password-stdin")},
         "Read the server password from the first line of standard input instead of the "
         "keyring.",
         "",
         nullptr},
    };
    return table;
}

namespace {
// The window system's own options, which the application object takes: with a
// value, and without.
const char* const windowSystemWithValue[] = {
    "platform",    "platformpluginpath", "platformtheme", "plugin",  "qwindowgeometry",
    "qwindowicon", "qwindowtitle",       "session",       "display", "style",
    "stylesheet"};
const char* const windowSystemFlags[] = {"reverse", "widgetcount"};

QStringList withoutWindowSystemOptions(const QStringList& arguments) {
    QStringList out;
    for (qsizetype i = 0; i < arguments.size(); ++i) {
        const QString& a = arguments[i];
        // Written with one dash or two, the value after "=" or as the next argument.
        QString name = a.startsWith(QLatin1String("--")) ? a.mid(2)
                       : a.startsWith(QLatin1Char('-'))  ? a.mid(1)
                                                         : QString();
        const bool valueHere = name.contains(QLatin1Char('='));
        name = name.section(QLatin1Char('='), 0, 0);
        bool known = false;
        for (const char* option : windowSystemWithValue)
            if (name == QLatin1String(option)) {
                known = true;
                if (!valueHere)
                    ++i;
            }
        for (const char* option : windowSystemFlags)
            known = known || (!valueHere && name == QLatin1String(option));
        if (i == 0 || !known)
            out << a;
    }
    return out;
}
} // namespace

Request parse(QCommandLineParser& parser, int argc, char** argv) {
    parser.setApplicationDescription(QStringLiteral("A phonebook of contact lists."));
    for (const Option& o : options())
        parser.addOption(QCommandLineOption(o.names, QString::fromUtf8(o.description),
                                            QString::fromUtf8(o.valueName)));
    QStringList arguments;
    for (int i = 0; i < argc; ++i)
        arguments << QString::fromLocal8Bit(argv[i]);
    Request request;
    if (!parser.parse(withoutWindowSystemOptions(arguments))) {
        request.error = parser.errorText();
        return request;
    }
    if (!parser.positionalArguments().isEmpty()) {
        request.error = QStringLiteral("Unexpected argument '%1'.")
                            .arg(parser.positionalArguments().constFirst());
        return request;
    }
    // --help answers whatever else is asked; other actions run one at a time.
    QStringList asked;
    for (const Option& o : options()) {
        if (!o.action || !parser.isSet(o.names.constFirst()))
            continue;
        if (o.action == &Actions::showHelp) {
            request.action = o.action;
            return request;
        }
        asked << QStringLiteral("--") + o.names.constLast();
        request.action = o.action;
    }
    if (asked.size() > 1) {
        request.action = nullptr;
        request.error = QStringLiteral("%1 cannot be asked for together.")
                            .arg(asked.join(QStringLiteral(" and ")));
    }
    return request;
}

QString listFileName(const QCommandLineParser& parser) {
    if (parser.isSet(QStringLiteral("list")))
        return ListFiles::fileNameFor(parser.value(QStringLiteral("list")));
    const QString remembered =
        IniFile::ReadIniValue(QStringLiteral("[lastdb]"), QStringLiteral("db"),
                              QString::fromLatin1(Globals::settingsFileName));
    return remembered.isEmpty() ? QString::fromLatin1(Globals::defaultListName) : remembered;
}
} // namespace CommandLine
