// SPDX-License-Identifier: GPL-3.0-or-later
#include "vcard/ListExport.h"

#include "platform/Database.h"
#include "platform/RunError.h"
#include "storage/CardStore.h"
#include "vcard/VCardWriter.h"

#include <QDir>
#include <QSaveFile>
#include <SQLiteCpp/SQLiteCpp.h>

#include <vector>

namespace ListExport {
namespace {

QString quoted(const QString& name) {
    return u'"' + QString(name).replace(u'"', QStringLiteral("\"\"")) + u'"';
}

QString where(const std::optional<Choice>& choice) {
    return choice ? QStringLiteral(" WHERE ") + quoted(choice->field) + QStringLiteral(" = ?")
                  : QString();
}

[[noreturn]] void fail(const QString& path, const QString& reason) {
    throw Failed(QStringLiteral("The contacts could not be written to \"%1\": %2.")
                     .arg(QDir::toNativeSeparators(path), reason));
}

} // namespace

qint64 count(Database& db, const std::optional<Choice>& choice) {
    return db.guarded([&] {
        SQLite::Statement q(
            db.handle(),
            (QStringLiteral("SELECT count(*) FROM pName2") + where(choice)).toStdString());
        if (choice)
            q.bind(1, choice->text.toStdString());
        q.executeStep();
        return qint64(q.getColumn(0).getInt64());
    });
}

qint64 write(Database& db, const QString& path, const std::optional<Choice>& choice,
             const std::function<void(qint64, qint64)>& progress) {
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly))
        fail(path, file.errorString());
    qint64 total = 0;
    try {
        // The list's columns: the twelve fields wherever they stand, then the rest.
        const QStringList columns = db.columns(QStringLiteral("pName2"));
        std::vector<int> slot(size_t(columns.size()), -1);
        ContactFields fields;
        for (qsizetype i = 0; i < columns.size(); ++i) {
            for (int f = 0; f < ContactFields::Count; ++f)
                if (columns[i].compare(QLatin1String(ContactFields::columns[size_t(f)]),
                                       Qt::CaseInsensitive) == 0)
                    slot[size_t(i)] = f;
            if (slot[size_t(i)] < 0)
                fields.extra.append({columns[i], QString()});
        }
        // Each contact beside what the list keeps for it (see CardStore).
        const bool keeps = db.hasTable(QString::fromLatin1(CardStore::table));
        QString cardColumns = keeps ? QStringLiteral(", k.uid, k.card, k.homeAddress")
                                    : QStringLiteral(", NULL, NULL, 0");
        QString from = QStringLiteral(" FROM pName2 p");
        if (keeps)
            from += QStringLiteral(" LEFT JOIN ContactCards k ON k.contact = p.rowid");
        if (choice)
            from += QStringLiteral(" WHERE p.") + quoted(choice->field) + QStringLiteral(" = ?");
        from += QStringLiteral(" ORDER BY p.rowid");
        QString select = QStringLiteral("SELECT p.rowid") + cardColumns;
        for (const QString& c : columns)
            select += QStringLiteral(", p.") + quoted(c);

        // Every contact written has its UID in the list before the file is written.
        // A list that cannot be written to cannot keep UIDs: its cards get new ones.
        QList<qint64> missing;
        db.guarded([&] {
            SQLite::Statement q(
                db.handle(), (QStringLiteral("SELECT p.rowid") + cardColumns + from).toStdString());
            if (choice)
                q.bind(1, choice->text.toStdString());
            while (q.executeStep()) {
                ++total;
                if (q.getColumn(1).isNull())
                    missing << q.getColumn(0).getInt64();
            }
        });
        QHash<qint64, QString> given;
        if (!missing.isEmpty() && !db.readOnly())
            given = CardStore(db).ensureUids(missing);

        QByteArray buffer;
        buffer.reserve(1 << 21);
        qint64 done = 0;
        db.guarded([&] {
            SQLite::Statement q(db.handle(), (select + from).toStdString());
            if (choice)
                q.bind(1, choice->text.toStdString());
            while (q.executeStep()) {
                const qint64 contact = q.getColumn(0).getInt64();
                qsizetype e = 0;
                for (int i = 0; i < int(columns.size()); ++i) {
                    const SQLite::Column c = q.getColumn(i + 4);
                    QString text = QString::fromUtf8(c.getText(), c.getBytes());
                    if (slot[size_t(i)] >= 0)
                        fields[ContactFields::Field(slot[size_t(i)])] = std::move(text);
                    else
                        fields.extra[e++].second = std::move(text);
                }
                QString uid = q.getColumn(1).isNull() ? given.value(contact)
                                                      : QString::fromUtf8(q.getColumn(1).getText());
                if (uid.isEmpty())
                    uid = VCardWriter::newUid();
                const SQLite::Column card = q.getColumn(2);
                if (card.isNull() || card.getBytes() == 0)
                    VCardWriter::appendCard(buffer, fields, uid);
                else
                    buffer += VCardWriter::merged(
                        QByteArray(static_cast<const char*>(card.getBlob()), card.getBytes()),
                        q.getColumn(3).getInt() ? VCardReader::AddressChoice::Home
                                                : VCardReader::AddressChoice::Preferred,
                        fields, uid);
                if (buffer.size() >= (1 << 20)) {
                    if (file.write(buffer) != buffer.size())
                        fail(path, file.errorString());
                    buffer.resize(0);
                }
                ++done;
                if (progress)
                    progress(done, total);
            }
        });
        total = done;
        if (file.write(buffer) != buffer.size())
            fail(path, file.errorString());
    } catch (const RunError& e) {
        fail(path, QStringLiteral("the list could not be read (%1)").arg(e.description()));
    }
    if (!file.commit())
        fail(path, file.errorString());
    return total;
}

} // namespace ListExport
