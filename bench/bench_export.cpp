// SPDX-License-Identifier: GPL-3.0-or-later
#include "BenchTable.h"
#include "Benches.h"
#include "ContactGenerator.h"

#include "platform/Database.h"
#include "vcard/ListExport.h"

#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <SQLiteCpp/SQLiteCpp.h>

void benchExport(BenchTable& table) {
    constexpr int contacts = 100000;
    QTemporaryDir dir;
    const QString list = dir.filePath(QStringLiteral("Export.mdb"));
    if (!QFile::copy(QStringLiteral(QUILLARY_DATA_BUILD_DIR "/Template.dat"), list))
        return;
    QFile(list).setPermissions(QFileDevice::ReadOwner | QFileDevice::WriteOwner);
    generateContacts(list, contacts);

    // The limit: reading every field of the same rows, and nothing else.
    qint64 bytes = 0;
    const double scan = secondsOf([&] {
        SQLite::Database db(list.toStdString());
        SQLite::Statement q(db, "SELECT rowid, * FROM pName2 ORDER BY rowid");
        while (q.executeStep())
            for (int i = 0; i < q.getColumnCount(); ++i)
                bytes += q.getColumn(i).getBytes();
    });
    const QString label = QStringLiteral("export %1 contacts to vCard").arg(contacts);
    table.add(QStringLiteral("raw SQLite scan of the same rows"),
              QString::number(scan * 1000, 'f', 0) + " ms");
    Database db(list);
    qint64 written = 0;
    const QString file = dir.filePath(QStringLiteral("out.vcf"));
    const double first = secondsOf([&] { written = ListExport::write(db, file); });
    const double again = secondsOf([&] { written = ListExport::write(db, file); });
    const QString size = QString::number(QFileInfo(file).size() / 1048576.0, 'f', 1) + " MiB";
    table.add(label + ", first time (UIDs given)",
              QString::number(first, 'f', 2) + " s, " + QString::number(first / scan, 'f', 1) +
                  "x the scan",
              QStringLiteral("<= 1 s"), first <= 1.0 && written == contacts);
    table.add(label + ", again (" + size + ")",
              QString::number(again, 'f', 2) + " s, " + QString::number(again / scan, 'f', 1) +
                  "x the scan",
              QStringLiteral("<= 1 s"), again <= 1.0 && written == contacts);
}
