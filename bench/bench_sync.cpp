// SPDX-License-Identifier: GPL-3.0-or-later
#include "BenchTable.h"
#include "Benches.h"
#include "carddav_sync/ListLink.h"
#include "carddav_sync/SyncEngine.h"
#include "platform/Database.h"
#include "support/DavServer.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <SQLiteCpp/SQLiteCpp.h>

#include <algorithm>
#include <functional>

namespace {
constexpr int Cards = 10000;

QByteArray card(int i) {
    const QByteArray n = QByteArray::number(i);
    return "BEGIN:VCARD\r\nVERSION:3.0\r\nUID:bench-" + n + "\r\nFN:Person " + n + "\r\nN:" + n +
           ";Person;;;\r\nTEL;TYPE=HOME,VOICE:+1 555 " + n + "\r\nEMAIL;TYPE=INTERNET:p" + n +
           "@example.org\r\nADR;TYPE=HOME:;;" + n +
           " Main Street;Springfield;IL;62701;\r\n"
           "NOTE:Met at the conference\\, table " +
           n + "\r\nBDAY:1980-01-01\r\nEND:VCARD\r\n";
}
QString ms(double seconds) {
    return QStringLiteral("%1 ms").arg(seconds * 1000, 0, 'f', 0);
}
} // namespace

void benchSync(BenchTable& table) {
    DavServer server(DavServer::Kind::Radicale);
    QDir().mkpath(server.bookFolder());
    for (int i = 0; i < Cards; ++i) {
        QFile f(server.bookFolder() + QStringLiteral("/card-%1.vcf").arg(i));
        if (f.open(QIODevice::WriteOnly))
            f.write(card(i));
    }
    if (!server.start()) {
        table.add(QStringLiteral("sync: Radicale"),
                  QStringLiteral("could not start: ") + server.error());
        return;
    }
    QTemporaryDir dir;
    const QString list = dir.filePath(QStringLiteral("Sync.mdb"));
    QFile::copy(QStringLiteral(QUILLARY_DATA_BUILD_DIR "/Template.dat"), list);
    QFile::setPermissions(list, QFile::ReadOwner | QFile::WriteOwner);
    const DavAccount account{server.book(), server.user(), server.password(), {}, 600000};
    {
        // Radicale reads new files once, and makes its first sync token of a
        // book slowly; both measurements see it warm, as a server in use is.
        DavClient warm(account);
        warm.listCards(server.book());
        warm.send("PROPFIND", server.book(),
                  "<?xml version=\"1.0\"?><d:propfind xmlns:d=\"DAV:\"><d:prop><d:sync-token/>"
                  "</d:prop></d:propfind>",
                  {{"Depth", "0"}});
    }
    QByteArray body =
        "<?xml version=\"1.0\" encoding=\"utf-8\"?><c:addressbook-multiget xmlns:d=\"DAV:\" "
        "xmlns:c=\"urn:ietf:params:xml:ns:carddav\"><d:prop><d:getetag/><c:address-data/>"
        "</d:prop>";
    for (int i = 0; i < Cards; ++i)
        body += "<d:href>" + server.book().path().toUtf8() + "card-" + QByteArray::number(i) +
                ".vcf</d:href>";
    body += "</c:addressbook-multiget>";
    QFile bodyFile(dir.filePath(QStringLiteral("multiget.xml")));
    bodyFile.open(QIODevice::WriteOnly);
    bodyFile.write(body);
    bodyFile.close();
    // curl asks the server the same question, so the server's own share shows.
    const auto curlTime = [&](const QString& verb, const QString& depth, const QString& data) {
        return secondsOf([&] {
            QProcess p;
            p.start(QStringLiteral("curl"),
                    {QStringLiteral("-s"), QStringLiteral("-o"), QStringLiteral("/dev/null"),
                     QStringLiteral("-u"), server.user() + u':' + server.password(),
                     QStringLiteral("-X"), verb, QStringLiteral("-H"),
                     QStringLiteral("Depth: ") + depth, QStringLiteral("-H"),
                     QStringLiteral("Content-Type: application/xml"),
                     QStringLiteral("--data-binary"), data, server.book().toString()});
            p.waitForFinished(600000);
        });
    };
    const double curl = curlTime(QStringLiteral("REPORT"), QStringLiteral("1"),
                                 QStringLiteral("@") + bodyFile.fileName());

    Database db(list);
    DavClient client(account);
    ListLink::link(db, client, server.book().toString());
    SyncEngine::Result first;
    const double firstSync = secondsOf([&] { first = SyncEngine(db, client).run(); });
    table.add(QStringLiteral("sync: first sync of %1 cards (curl, one multiget: %2)")
                  .arg(Cards)
                  .arg(ms(curl)),
              QStringLiteral("%1, %2 received").arg(ms(firstSync)).arg(first.received),
              QStringLiteral("≤ 2× curl"), firstSync <= 2 * curl);
    table.add(QStringLiteral("sync: peak memory during the first sync"),
              QStringLiteral("%1 MiB").arg(peakRssMiB(), 0, 'f', 0));
    // The middle of three runs, each.
    const auto median = [](const std::function<double()>& run) {
        QList<double> t{run(), run(), run()};
        std::sort(t.begin(), t.end());
        return t.at(1);
    };
    const double none = median([&] { return secondsOf([&] { SyncEngine(db, client).run(); }); });
    const double ctag = median([&] {
        return curlTime(QStringLiteral("PROPFIND"), QStringLiteral("0"),
                        QStringLiteral("<?xml version=\"1.0\"?><d:propfind xmlns:d=\"DAV:\" "
                                       "xmlns:cs=\"http://calendarserver.org/ns/\"><d:prop>"
                                       "<cs:getctag/></d:prop></d:propfind>"));
    });
    table.add(QStringLiteral("sync: nothing changed, %1 contacts (curl, the book's ctag: %2)")
                  .arg(Cards)
                  .arg(ms(ctag)),
              ms(none), QStringLiteral("≤ 300 ms"), none <= 0.3);
    db.handle().exec("UPDATE pName2 SET pCity='Shelbyville' WHERE rowid=5000");
    SyncEngine::Result one;
    const double oneChange = secondsOf([&] { one = SyncEngine(db, client).run(); });
    table.add(QStringLiteral("sync: one contact changed, %1 contacts").arg(Cards),
              QStringLiteral("%1, %2 sent").arg(ms(oneChange)).arg(one.sent),
              QStringLiteral("≤ 500 ms"), oneChange <= 0.5);

    // A second list holding the same people, typed in by hand: its first
    // sync makes each contact one with its card.
    const QString typed = dir.filePath(QStringLiteral("Typed.mdb"));
    QFile::copy(QStringLiteral(QUILLARY_DATA_BUILD_DIR "/Template.dat"), typed);
    QFile::setPermissions(typed, QFile::ReadOwner | QFile::WriteOwner);
    Database other(typed);
    other.handle().exec(
        "WITH RECURSIVE n(i) AS (SELECT 0 UNION ALL SELECT i + 1 FROM n WHERE i < " +
        std::to_string(Cards - 1) +
        ") INSERT INTO pName2 (pName, pPhone) SELECT 'Person ' || i, "
        "'+1 555 ' || i FROM n");
    ListLink::link(other, client, server.book().toString());
    SyncEngine::Result merge;
    const double merging = secondsOf([&] { merge = SyncEngine(other, client).run(); });
    table.add(QStringLiteral("sync: first sync of a list of the same %1 people").arg(Cards),
              QStringLiteral("%1, %2 received, %3 sent")
                  .arg(ms(merging))
                  .arg(merge.received)
                  .arg(merge.sent));
}
