// SPDX-License-Identifier: GPL-3.0-or-later
#include "TestFolder.h"

#include "platform/AppFolder.h"
#include "platform/Database.h"

#include <QCryptographicHash>
#include <QDirIterator>
#include <QFile>
#include <QtTest>
#include <SQLiteCpp/SQLiteCpp.h>

QString installedDataFile(const QString& name) {
    if (name == QLatin1String("plist.ini"))
        return QStringLiteral(QUILLARY_SOURCE_DIR "/data/plist.ini");
    return QStringLiteral(QUILLARY_DATA_BUILD_DIR "/") + name;
}

QMap<QString, QByteArray> snapshot(const QString& root) {
    QMap<QString, QByteArray> files;
    QDirIterator it(root, QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden | QDir::System,
                    QDirIterator::Subdirectories);
    while (it.hasNext()) {
        QFile file(it.next());
        QCryptographicHash hash(QCryptographicHash::Sha256);
        if (file.open(QIODevice::ReadOnly))
            hash.addData(&file);
        files[file.fileName()] = hash.result();
        const QFileInfo info(file);
        if (info.isFile())
            files[file.fileName()] += QByteArray::number(int(info.permissions())) + ' ' +
                                      QByteArray::number(info.lastModified().toMSecsSinceEpoch());
    }
    return files;
}

QList<QStringList> queryRows(const QString& path, const QString& sql) {
    SQLite::Database db(path.toStdString(), SQLite::OPEN_READONLY);
    SQLite::Statement q(db, sql.toStdString());
    QList<QStringList> rows;
    while (q.executeStep()) {
        QStringList row;
        for (int i = 0; i < q.getColumnCount(); ++i)
            row << (q.isColumnNull(i) ? QString() : QString::fromStdString(q.getColumn(i)));
        rows << row;
    }
    return rows;
}

TestFolder::TestFolder() {
    AppFolder::setProgramFolderForTesting(dir_.path());
}

TestFolder::~TestFolder() {
    AppFolder::setProgramFolderForTesting(QString());
}

QString TestFolder::file(const QString& name) const {
    return dir_.filePath(name);
}

void TestFolder::install(const QString& name, const QString& as) {
    const QString target = file(as.isEmpty() ? name : as);
    QFile::remove(target);
    if (!QFile::copy(installedDataFile(name), target))
        qFatal("cannot install %s", qPrintable(name));
    QFile::setPermissions(target, QFile::ReadOwner | QFile::WriteOwner | QFile::ReadGroup);
}

void TestFolder::addList(const QString& fileName) {
    install(QStringLiteral("Template.dat"), fileName);
}

void TestFolder::write(const QString& name, const QByteArray& bytes) {
    QFile f(file(name));
    if (!f.open(QIODevice::WriteOnly | QIODevice::Truncate))
        qFatal("cannot write %s", qPrintable(name));
    f.write(bytes);
}

QByteArray TestFolder::read(const QString& name) const {
    QFile f(file(name));
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

bool TestFolder::exists(const QString& name) const {
    return QFile::exists(file(name));
}

void TestFolder::addContacts(const QString& listFile, const QList<QStringList>& rows) {
    static const QStringList names = {"pName",    "CompanyName", "pAddress", "pAddress2",
                                      "pCity",    "pState",      "pZip",     "pPhone",
                                      "pCoPhone", "pFax",        "pEmail",   "pNotes"};
    // Through the program's own engine, so the name indexes use its comparison.
    Database list(file(listFile));
    SQLite::Transaction tx(list.handle());
    for (const QStringList& row : rows) {
        SQLite::Statement q(list.handle(), QStringLiteral("INSERT INTO pName2 (%1) VALUES (%2)")
                                               .arg(names.mid(0, row.size()).join(','),
                                                    QStringList(row.size(), "?").join(','))
                                               .toStdString());
        for (int i = 0; i < row.size(); ++i)
            row[i].isNull() ? q.bind(i + 1) : q.bind(i + 1, row[i].toStdString());
        q.exec();
    }
    tx.commit();
}
