// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The Access test files of tests/data/access and the exact contents of their
// tables (FILE.TABLE.tsv: a header line, then one line per record with TAB
// between fields, \N for NULL and the escapes \\ \t \r \n; see the README).
#include <QDir>
#include <QFile>
#include <QStringList>
#include <SQLiteCpp/SQLiteCpp.h>

inline QString accessData(const QString& name) {
    return QStringLiteral(QUILLARY_SOURCE_DIR "/tests/data/access/") + name;
}

inline QByteArray accessBytes(const QString& name) {
    QFile f(accessData(name));
    f.open(QIODevice::ReadOnly);
    return f.readAll();
}

// The lines of a table's TSV file; the first names the columns.
inline QStringList tsvLines(const QString& mdb, const QString& table) {
    QStringList lines =
        QString::fromUtf8(accessBytes(mdb + QLatin1Char('.') + table + QStringLiteral(".tsv")))
            .split(QLatin1Char('\n'));
    if (!lines.isEmpty() && lines.last().isEmpty())
        lines.removeLast();
    return lines;
}

inline QString tsvField(const QString& escaped) {
    if (escaped == QLatin1String("\\N"))
        return QString();
    QString out = QLatin1String("");
    for (qsizetype i = 0; i < escaped.size(); ++i) {
        if (escaped[i] != QLatin1Char('\\') || i + 1 == escaped.size()) {
            out += escaped[i];
            continue;
        }
        const QChar c = escaped[++i];
        out += c == QLatin1Char('t')   ? QChar('\t')
               : c == QLatin1Char('r') ? QChar('\r')
               : c == QLatin1Char('n') ? QChar('\n')
                                       : c;
    }
    return out;
}

inline QString tsvEscaped(const std::optional<std::string>& v) {
    if (!v)
        return QStringLiteral("\\N");
    QString s = QString::fromStdString(*v);
    s.replace(QLatin1Char('\\'), QLatin1String("\\\\"));
    s.replace(QLatin1Char('\t'), QLatin1String("\\t"));
    s.replace(QLatin1Char('\r'), QLatin1String("\\r"));
    s.replace(QLatin1Char('\n'), QLatin1String("\\n"));
    return s;
}

// A list file's table in the TSV form, with the given columns (found without
// regard to letter case), in storage order.
inline QStringList storedLines(const QString& path, const QString& table,
                               const QStringList& columns) {
    SQLite::Database db(path.toStdString(), SQLite::OPEN_READONLY);
    QStringList quoted;
    for (const QString& c : columns)
        quoted << QLatin1Char('"') + c + QLatin1Char('"');
    SQLite::Statement q(db, QStringLiteral("SELECT %1 FROM %2 ORDER BY rowid")
                                .arg(quoted.join(QLatin1Char(',')), table)
                                .toStdString());
    QStringList lines{columns.join(QLatin1Char('\t'))};
    while (q.executeStep()) {
        QStringList fields;
        for (int i = 0; i < q.getColumnCount(); ++i)
            fields << tsvEscaped(q.isColumnNull(i) ? std::nullopt
                                                   : std::optional(q.getColumn(i).getString()));
        lines << fields.join(QLatin1Char('\t'));
    }
    return lines;
}

// The names the main window lists for a table: every person name that is not null.
inline QStringList tsvNames(const QStringList& lines) {
    const QStringList columns = lines.first().split(QLatin1Char('\t'));
    qsizetype column = 0;
    while (columns.at(column).compare(QLatin1String("pName"), Qt::CaseInsensitive) != 0)
        ++column;
    QStringList names;
    for (const QString& line : lines.mid(1)) {
        const QString name = tsvField(line.split(QLatin1Char('\t')).at(column));
        if (!name.isNull())
            names << name;
    }
    return names;
}

// The files of a folder with their contents.
inline QMap<QString, QByteArray> folderContents(const QString& folder) {
    QMap<QString, QByteArray> out;
    for (const QString& name : QDir(folder).entryList(QDir::Files | QDir::Hidden)) {
        QFile f(folder + QLatin1Char('/') + name);
        f.open(QIODevice::ReadOnly);
        out.insert(name, f.readAll());
    }
    return out;
}
