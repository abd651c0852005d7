// SPDX-License-Identifier: GPL-3.0-or-later
// The reader of the server's answers: real answers of both servers give the
// resources they name; broken in seeded ways, they are read or refused with
// DavError, never worse. QUILLARY_FUZZ_ROUNDS runs longer.
#include "carddav_sync/DavXml.h"
#include "support/SyncFixture.h"

#include <QRandomGenerator>

namespace {
// Put where a tag begins: parts of answers, references, bytes that are no UTF-8.
const QByteArrayList inserted =
    QByteArray("<response xmlns='DAV:'/>|<href xmlns='DAV:'>/x%20y/</href>|<multistatus "
               "xmlns='DAV:'/>|<status xmlns='DAV:'>HTTP/1.1 999</status>|<propstat xmlns='DAV:'>"
               "<status>HTTP/1.1 200 OK</status><prop><x/></prop></propstat>|<x xmlns='urn:o'>"
               "<href>/y</href></x>|<![CDATA[<href>]]>|<?x?>|&#0;|&#x110000;|&lt|&nope;|\xC0\xAF|"
               "\xED\xA0\x80|\xFF\xFE")
        .split('|');

QByteArray mutated(QByteArray b, QRandomGenerator& r) {
    const auto at = [&] { return qsizetype(r.bounded(quint32(b.size() + 1))); };
    const auto tag = [&] { return std::max(b.indexOf('<', at()), qsizetype(0)); };
    switch (r.bounded(7)) {
    case 0: // bits flipped
        for (int i = r.bounded(1, 9); i > 0 && !b.isEmpty(); --i)
            b[r.bounded(quint32(b.size()))] ^= char(1 << r.bounded(8));
        return b;
    case 1:
        return b.left(at());
    case 2: // entities growing a thousandfold
        b.insert(tag(), "&c;");
        return b.insert(b.indexOf('>') + 1, "<!DOCTYPE m [<!ENTITY a \"aaaaaaaaaa\"><!ENTITY b "
                                            "\"&a;&a;&a;&a;&a;&a;&a;&a;&a;&a;\"><!ENTITY c "
                                            "\"&b;&b;&b;&b;&b;&b;&b;&b;&b;&b;\">]>");
    case 3:
        return b.insert(tag(), QByteArray("<x>").repeated(r.bounded(1, 20000)));
    case 4:
        return b.insert(tag(), "<x a=\"" + QByteArray(r.bounded(1, 1 << 18), 'a') + "\"/>");
    case 5:
        return b.insert(tag(), inserted.at(r.bounded(inserted.size())));
    default: { // a run of tags once more, elsewhere
        const qsizetype from = tag();
        const QByteArray run = b.mid(from, b.indexOf('<', from + r.bounded(1, 400)) - from);
        return b.insert(tag(), run);
    }
    }
}
} // namespace

class TestDavXml : public QObject {
    Q_OBJECT
private slots:
    void realAnswersBroken_data() { addServerRows(false); }
    void realAnswersBroken();
};

void TestDavXml::realAnswersBroken() {
    QFETCH(DavServer::Kind, kind);
    SyncFixture f(kind);
    QVERIFY2(f.server.start(), qPrintable(f.server.error()));
    f.phone = std::make_unique<DavClient>(f.account(f.server.book()));
    QCOMPARE(f.phonePut("ann", phoneCard("ann-1", "Ann Lee", "555 0101")) / 100, 2);
    const QString book = DavClient::pathOf(f.server.book());
    const QString card = f.href(QStringLiteral("ann"));
    // What a sync asks, and the resources each answer names.
    const QList<std::tuple<QByteArray, QByteArray, QStringList>> asked{
        {"PROPFIND",
         "<d:propfind xmlns:d=\"DAV:\"><d:prop><d:resourcetype/><d:displayname/><d:getetag/>"
         "</d:prop></d:propfind>",
         {book, card}},
        {"REPORT",
         "<d:sync-collection xmlns:d=\"DAV:\"><d:sync-token/><d:sync-level>1</d:sync-level>"
         "<d:prop><d:getetag/></d:prop></d:sync-collection>",
         {card}},
        {"REPORT",
         "<c:addressbook-multiget xmlns:d=\"DAV:\" xmlns:c=\"urn:ietf:params:xml:ns:carddav\">"
         "<d:prop><d:getetag/><c:address-data/></d:prop><d:href>" +
             card.toUtf8() + "</d:href></c:addressbook-multiget>",
         {card}},
    };
    QByteArrayList answers;
    for (const auto& [verb, body, hrefs] : asked) {
        const DavClient::Reply r = f.phone->send(verb, f.server.book(), body, {{"Depth", "1"}});
        QCOMPARE(r.status, 207);
        QStringList named;
        for (const DavXml::Response& response : DavXml::parse(r.body).responses)
            named << DavClient::pathOf(f.server.book().resolved(QUrl(response.href)));
        named.sort();
        QCOMPARE(named, hrefs);
        answers << r.body;
    }
    const int rounds = std::max(qEnvironmentVariableIntValue("QUILLARY_FUZZ_ROUNDS"), 1500);
    QRandomGenerator random(4711u + uint(kind));
    for (int round = 0; round < rounds; ++round) {
        QByteArray answer = mutated(answers.at(round % answers.size()), random);
        try {
            DavXml::parse(random.bounded(4) ? answer : mutated(answer, random));
        } catch (const DavError& e) {
            QCOMPARE(e.kind(), DavError::Kind::BadAnswer);
        }
    }
}

QTEST_GUILESS_MAIN(TestDavXml)
#include "tst_davxml.moc"
