// SPDX-License-Identifier: GPL-3.0-or-later
// The reader of the server's answers, on real answers of both servers: it finds
// the resources they name; and on those answers broken in many ways, seeded: it
// reads them or refuses them with DavError, and fails in no other way.
// QUILLARY_FUZZ_ROUNDS runs longer.
#include "carddav_sync/DavXml.h"
#include "support/SyncFixture.h"

#include <QRandomGenerator>

namespace {
// Answer parts that keep an answer well-formed where a tag begins.
const QByteArrayList parts{"<response xmlns=\"DAV:\"/>",
                           "<href xmlns=\"DAV:\">/x%20y/</href>",
                           "<status xmlns=\"DAV:\">HTTP/1.1 999</status>",
                           "<propstat xmlns=\"DAV:\"><status>HTTP/1.1 200 OK</status><prop>"
                           "<getetag>\"1\"</getetag></prop></propstat>",
                           "<prop xmlns=\"DAV:\"/>",
                           "<multistatus xmlns=\"DAV:\"/>",
                           "<sync-token xmlns=\"DAV:\"/>",
                           "<![CDATA[<href>]]>",
                           "<?x?>",
                           "<!-- -->",
                           "<x xmlns=\"urn:other\"><href>/y</href></x>"};
const QByteArrayList odd{"\xC0\xAF", "\xED\xA0\x80", "\xFF\xFE", "\xF4\x90\x80\x80",
                         "&#0;",     "&#x110000;",   "&lt",      "&nope;"};

QByteArray mutated(QByteArray b, QRandomGenerator& r) {
    const auto at = [&] { return qsizetype(r.bounded(quint32(b.size() + 1))); };
    const auto tag = [&] {
        const qsizetype i = b.indexOf('<', at());
        return i < 0 ? b.size() : i;
    };
    for (int n = r.bounded(4) == 0 ? 2 : 1; n > 0; --n) {
        switch (r.bounded(8)) {
        case 0: // bits flipped
            for (int i = r.bounded(1, 9); i > 0 && !b.isEmpty(); --i)
                b[r.bounded(quint32(b.size()))] ^= char(1 << r.bounded(8));
            break;
        case 1:
            b.truncate(at());
            break;
        case 2: // entities that grow a thousandfold
            b.insert(b.indexOf('>') + 1, "<!DOCTYPE m [<!ENTITY a \"aaaaaaaaaa\"><!ENTITY b "
                                         "\"&a;&a;&a;&a;&a;&a;&a;&a;&a;&a;\"><!ENTITY c "
                                         "\"&b;&b;&b;&b;&b;&b;&b;&b;&b;&b;\">]>");
            b.insert(tag(), "&c;");
            break;
        case 3:
            b.insert(tag(), QByteArray("<x>").repeated(r.bounded(1, 20000)));
            break;
        case 4:
            b.insert(tag(), "<x a=\"" + QByteArray(r.bounded(1, 1 << 18), 'a') + "\"/>");
            break;
        case 5:
            b.insert(at(), odd.at(r.bounded(odd.size())));
            break;
        case 6:
            b.insert(tag(), parts.at(r.bounded(parts.size())));
            break;
        case 7: { // a run of tags once more, elsewhere
            const qsizetype from = tag();
            const QByteArray run = b.mid(from, b.indexOf('<', from + r.bounded(1, 400)) - from);
            b.insert(tag(), run);
            break;
        }
        }
    }
    return b;
}
} // namespace

class TestDavXml : public QObject {
    Q_OBJECT
private slots:
    void realAnswersBroken_data() { addServerRows(); }
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
    const int rounds = qEnvironmentVariableIsSet("QUILLARY_FUZZ_ROUNDS")
                           ? qEnvironmentVariableIntValue("QUILLARY_FUZZ_ROUNDS")
                           : 1500;
    QRandomGenerator random(4711u + uint(kind));
    for (int round = 0; round < rounds; ++round) {
        try {
            DavXml::parse(mutated(answers.at(round % answers.size()), random));
        } catch (const DavError& e) {
            QCOMPARE(e.kind(), DavError::Kind::BadAnswer);
        }
    }
}

QTEST_GUILESS_MAIN(TestDavXml)
#include "tst_davxml.moc"
