#include "TestFolder.h"

#include "platform/AppFolder.h"
#include "platform/Database.h"

#include <QFile>
#include <QtTest>
#include <SQLiteCpp/SQLiteCpp.h>

QString installedDataFile(const QString& name) {
    if (name == QLatin1String("plist.ini"))
        return QStringLiteral(QUILLARY_SOURCE_DIR "/data/plist.ini");
    return QStringLiteral(QUILLARY_DATA_BUILD_DIR "/") + name;
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
    if (!f.open(QIODevice::ReadOnly))
        return {};
    return f.readAll();
}

bool TestFolder::exists(const QString& name) const {
    return QFile::exists(file(name));
}

void TestFolder::addContacts(const QString& listFile, const QList<QStringList>& rows) {
    static const char* names[] = {"pName",    "CompanyName", "pAddress", "pAddress2",
                                  "pCity",    "pState",      "pZip",     "pPhone",
                                  "pCoPhone", "pFax",        "pEmail",   "pNotes"};
    // Through the program's own engine, so the name indexes use its comparison.
    Database list(file(listFile));
    SQLite::Database& db = list.handle();
    SQLite::Transaction tx(db);
    for (const QStringList& row : rows) {
        std::string cols;
        std::string marks;
        for (int i = 0; i < row.size(); ++i) {
            cols += std::string(i ? "," : "") + names[i];
            marks += i ? ",?" : "?";
        }
        SQLite::Statement q(db, "INSERT INTO pName2 (" + cols + ") VALUES (" + marks + ")");
        for (int i = 0; i < row.size(); ++i) {
            if (row[i].isNull())
                q.bind(i + 1);
            else
                q.bind(i + 1, row[i].toStdString());
        }
        q.exec();
    }
    tx.commit();
}
