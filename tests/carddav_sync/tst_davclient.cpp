// SPDX-License-Identifier: GPL-3.0-or-later
// The address book server as the sync meets it: finding books, making one,
// cards in and out, changes listed; and answers no server should give.
#include "carddav_sync/DavClient.h"
#include "support/DavServer.h"

#include <QTcpServer>
#include <QTcpSocket>
#include <QtTest>

namespace {
QByteArray card(const QString& uid, const QString& name) {
    return ("BEGIN:VCARD\r\nVERSION:3.0\r\nUID:" + uid + "\r\nFN:" + name + "\r\nN:" + name +
            ";;;;\r\nEND:VCARD\r\n")
        .toUtf8();
}

// One canned HTTP answer to every connection.
class FakeServer : public QTcpServer {
public:
    explicit FakeServer(QByteArray answer) : answer_(std::move(answer)) {
        listen(QHostAddress::LocalHost, 0);
        connect(this, &QTcpServer::newConnection, this, [this] {
            while (QTcpSocket* s = nextPendingConnection()) {
                connect(s, &QTcpSocket::readyRead, s, [this, s] {
                    s->readAll();
                    if (!answer_.isEmpty())
                        s->write(answer_);
                });
            }
        });
    }
    QUrl url() const { return QUrl(QStringLiteral("http://127.0.0.1:%1/book/").arg(serverPort())); }

private:
    QByteArray answer_;
};

QByteArray http(const QByteArray& status, const QByteArray& body, const QByteArray& extra = {}) {
    return "HTTP/1.1 " + status + "\r\nContent-Type: application/xml\r\nContent-Length: " +
           QByteArray::number(body.size()) + "\r\n" + extra + "\r\n" + body;
}
} // namespace

class TestDavClient : public QObject {
    Q_OBJECT
    static void servers();
private slots:
    void findsBooksAndExchangesCards_data() { servers(); }
    void findsBooksAndExchangesCards();
    void untrustedCertificate();
    void hostileAnswers_data();
    void hostileAnswers();
};

void TestDavClient::servers() {
    QTest::addColumn<DavServer::Kind>("kind");
    QTest::newRow("Radicale") << DavServer::Kind::Radicale;
    QTest::newRow("Xandikos") << DavServer::Kind::Xandikos;
}

void TestDavClient::findsBooksAndExchangesCards() {
    QFETCH(DavServer::Kind, kind);
    DavServer server(kind);
    QVERIFY2(server.start(), qPrintable(server.error()));
    DavClient client({server.root(), server.user(), server.password(), {}, 10000});
    // From the server's root address the user's books are found.
    const QList<DavClient::Book> books = client.findBooks();
    QVERIFY(!books.isEmpty());
    const DavClient::Book made = client.createBook(QStringLiteral("Family & Friends"));
    QStringList names;
    for (const DavClient::Book& b : client.findBooks())
        names << b.name;
    QVERIFY2(names.contains(QStringLiteral("Family & Friends")), qPrintable(names.join(u',')));
    // A book's own address gives that book only.
    DavClient direct({made.url, server.user(), server.password(), {}, 10000});
    QCOMPARE(direct.findBooks().size(), 1);
    QCOMPARE(direct.findBooks().first().name, QStringLiteral("Family & Friends"));

    QVERIFY(client.bookState(made.url).syncs);
    DavClient::Changes empty;
    QVERIFY(client.syncCollection(made.url, QString(), empty));
    QVERIFY(!empty.token.isEmpty());
    const QString href = DavClient::pathOf(made.url) + QStringLiteral("one.vcf");
    const DavClient::Reply put =
        client.send("PUT", client.cardUrl(href), card("one", "Ann"),
                    {{"If-None-Match", "*"}, {"Content-Type", "text/vcard"}});
    QVERIFY2(put.status == 201 || put.status == 204, QByteArray::number(put.status));
    // The same name once more is refused, so a retry never makes a second card.
    QCOMPARE(client
                 .send("PUT", client.cardUrl(href), card("one", "Ann"),
                       {{"If-None-Match", "*"}, {"Content-Type", "text/vcard"}})
                 .status,
             412);
    DavClient::Changes changes;
    QVERIFY(client.syncCollection(made.url, empty.token, changes));
    QCOMPARE(changes.changed.size(), 1);
    QCOMPARE(changes.changed.first().href, href);
    QCOMPARE(client.send("DELETE", client.cardUrl(href), {},
                         {{"If-Match", changes.changed.first().etag.toUtf8()}})
                     .status /
                 100,
             2);
    DavClient::Changes gone;
    QVERIFY(client.syncCollection(made.url, changes.token, gone));
    QCOMPARE(gone.removed, QStringList{href});
}

// A self-signed certificate is refused, and so is it with another one trusted.
void TestDavClient::untrustedCertificate() {
    DavServer server(DavServer::Kind::Radicale, true);
    QVERIFY2(server.start(), qPrintable(server.error()));
    QString fingerprint;
    try {
        DavClient({server.root(), server.user(), server.password(), {}, 10000}).findBooks();
        QFAIL("a self-signed certificate was taken");
    } catch (const DavError& e) {
        QCOMPARE(e.kind(), DavError::Kind::UntrustedCertificate);
        fingerprint = e.fingerprint();
    }
    fingerprint[0] = fingerprint[0] == u'0' ? u'1' : u'0';
    QVERIFY_THROWS_EXCEPTION(
        DavError, DavClient({server.root(), server.user(), server.password(), fingerprint, 10000})
                      .findBooks());
}

void TestDavClient::hostileAnswers_data() {
    QTest::addColumn<QByteArray>("answer");
    QTest::addColumn<int>("kind");
    const QByteArray ok = "<?xml version=\"1.0\"?><d:multistatus xmlns:d=\"DAV:\"><d:response>"
                          "<d:href>/book/</d:href></d:response></d:multistatus>";
    QTest::newRow("malformed") << http("207 Multi-Status", ok.left(ok.size() - 20))
                               << int(DavError::Kind::BadAnswer);
    QTest::newRow("tags crossed")
        << http("207 Multi-Status", "<d:multistatus xmlns:d=\"DAV:\"><d:response></d:multistatus>")
        << int(DavError::Kind::BadAnswer);
    QTest::newRow("entities")
        << http("207 Multi-Status",
                "<?xml version=\"1.0\"?><!DOCTYPE m [<!ENTITY a \"aaaaaaaaaa\"><!ENTITY b "
                "\"&a;&a;&a;&a;&a;&a;&a;&a;&a;&a;\">]><d:multistatus xmlns:d=\"DAV:\"><d:response>"
                "<d:href>&b;</d:href></d:response></d:multistatus>")
        << int(DavError::Kind::BadAnswer);
    QTest::newRow("not XML") << http("207 Multi-Status", "BEGIN:VCARD\r\n")
                             << int(DavError::Kind::BadAnswer);
    QTest::newRow("deep") << http("207 Multi-Status", "<d:multistatus xmlns:d=\"DAV:\">" +
                                                          QByteArray("<x>").repeated(5000))
                          << int(DavError::Kind::BadAnswer);
    QTest::newRow("100 MB declared")
        << QByteArray("HTTP/1.1 207 Multi-Status\r\nContent-Length: 104857600\r\n\r\n<d:")
        << int(DavError::Kind::TooLarge);
    QTest::newRow("40 MB sent") << QByteArray(
                                       "HTTP/1.1 207 Multi-Status\r\nConnection: close\r\n\r\n") +
                                       QByteArray(40 << 20, ' ')
                                << int(DavError::Kind::TooLarge);
    QTest::newRow("another host") << http("301 Moved", "",
                                          "Location: http://elsewhere.example/book/\r\n")
                                  << int(DavError::Kind::BadAnswer);
    QTest::newRow("stalls") << QByteArray() << int(DavError::Kind::Unreachable);
}

void TestDavClient::hostileAnswers() {
    QFETCH(QByteArray, answer);
    QFETCH(int, kind);
    FakeServer fake(answer);
    DavClient client({fake.url(), {}, {}, {}, 1500});
    try {
        client.listCards(fake.url());
        QFAIL("the answer was taken");
    } catch (const DavError& e) {
        QCOMPARE(int(e.kind()), kind);
        QVERIFY(!e.message().isEmpty());
    }
}

QTEST_MAIN(TestDavClient)
#include "tst_davclient.moc"
