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

struct Row {
    qint64 contact;
    ContactFields fields;
};

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
    // The list's columns: the twelve fields wherever they stand, then the rest.
    std::vector<Row> rows;
    QHash<qint64, CardStore::Entry> kept;
    try {
        const QStringList columns = db.columns(QStringLiteral("pName2"));
        std::vector<int> slot(size_t(columns.size()), -1);
        QStringList extra;
        for (qsizetype i = 0; i < columns.size(); ++i) {
            for (int f = 0; f < ContactFields::Count; ++f)
                if (columns[i].compare(QLatin1String(ContactFields::columns[size_t(f)]),
                                       Qt::CaseInsensitive) == 0)
                    slot[size_t(i)] = f;
            if (slot[size_t(i)] < 0)
                extra << columns[i];
        }
        QStringList select{QStringLiteral("rowid")};
        for (const QString& c : columns)
            select << quoted(c);
        db.guarded([&] {
            SQLite::Statement q(db.handle(), (QStringLiteral("SELECT ") + select.join(u',') +
                                              QStringLiteral(" FROM pName2") + where(choice) +
                                              QStringLiteral(" ORDER BY rowid"))
                                                 .toStdString());
            if (choice)
                q.bind(1, choice->text.toStdString());
            while (q.executeStep()) {
                Row row{q.getColumn(0).getInt64(), {}};
                qsizetype e = 0;
                for (int i = 0; i < int(columns.size()); ++i) {
                    const SQLite::Column c = q.getColumn(i + 1);
                    const QString text =
                        c.isNull() ? QString() : QString::fromUtf8(c.getText(), c.getBytes());
                    if (slot[size_t(i)] >= 0)
                        row.fields[ContactFields::Field(slot[size_t(i)])] = text;
                    else
                        row.fields.extra.append({extra[e++], text});
                }
                rows.push_back(std::move(row));
            }
        });
        CardStore store(db);
        QList<qint64> contacts;
        contacts.reserve(qsizetype(rows.size()));
        for (const Row& r : rows)
            contacts << r.contact;
        kept = store.all();
        // A list that cannot be written to cannot keep UIDs: its cards get new ones.
        if (!db.readOnly()) {
            const QHash<qint64, QString> uids = store.ensureUids(contacts);
            for (auto it = uids.cbegin(); it != uids.cend(); ++it)
                kept[it.key()].uid = it.value();
        }
    } catch (const RunError& e) {
        fail(path, QStringLiteral("the list could not be read (%1)").arg(e.description()));
    }

    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly))
        fail(path, file.errorString());
    QByteArray buffer;
    const qint64 total = qint64(rows.size());
    qint64 done = 0;
    for (const Row& r : rows) {
        CardStore::Entry& entry = kept[r.contact];
        if (entry.uid.isEmpty())
            entry.uid = VCardWriter::newUid();
        const QString& uid = entry.uid;
        buffer +=
            entry.card.isEmpty()
                ? VCardWriter::card(r.fields, uid)
                : VCardWriter::merged(entry.card,
                                      entry.homeAddress ? VCardReader::AddressChoice::Home
                                                        : VCardReader::AddressChoice::Preferred,
                                      r.fields, uid);
        if (buffer.size() >= (1 << 20)) {
            if (file.write(buffer) != buffer.size())
                fail(path, file.errorString());
            buffer.clear();
        }
        if (progress)
            progress(++done, total);
    }
    if (file.write(buffer) != buffer.size() || !file.commit())
        fail(path, file.errorString());
    return total;
}

} // namespace ListExport
