// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
#include <QMap>
#include <QString>
#include <QStringList>
#include <QTemporaryDir>

// A temporary application folder for one test: the program sees it as the folder
// it runs from. Files of the installed folder can be put into it by name.
class TestFolder {
public:
    TestFolder();
    ~TestFolder();
    QString path() const { return dir_.path(); }
    QString file(const QString& name) const;
    // Copies an installed data file (Template.dat, AreaCodes.dat, plist.ini).
    void install(const QString& name, const QString& as = QString());
    // A new empty list file (a copy of the template).
    void addList(const QString& fileName);
    // Writes raw bytes.
    void write(const QString& name, const QByteArray& bytes);
    QByteArray read(const QString& name) const;
    bool exists(const QString& name) const;
    // Adds contacts to a list file directly: each row is pName, CompanyName, then
    // more fields in table order; a null QString stores NULL.
    void addContacts(const QString& listFile, const QList<QStringList>& rows);

private:
    QTemporaryDir dir_;
};

// Every file and folder under root with a checksum of its content, and each
// file's modes and time of change.
QMap<QString, QByteArray> snapshot(const QString& root);

// The rows a query gives on a database file, every cell as text, NULL as a null QString.
QList<QStringList> queryRows(const QString& path, const QString& sql);

// Where the build put the generated data files.
QString installedDataFile(const QString& name);
