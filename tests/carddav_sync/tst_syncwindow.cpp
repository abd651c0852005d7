// SPDX-License-Identifier: GPL-3.0-or-later
// The sync as the user meets it: the File menu's dialog links the list to a
// book on a real server, syncs it, syncs again on "Sync Now" and at the end,
// and unlinks it.
#include "main_window/ListSync.h"
#include "main_window/frmSync.h"
#include "support/Harness.h"
#include "support/SyncFixture.h"

#include <QCryptographicHash>
#include <QNetworkInterface>
#include <QSslCertificate>
#include <QTcpServer>

namespace {
// Types the address, user name and password into the dialog, finds the books
// and links the first one.
void linkInDialog(pList& w, const QString& address, const DavServer& s) {
    ModalDriver driver;
    driver.act = [&](QWidget* d) {
        auto* dialog = qobject_cast<frmSync*>(d);
        QVERIFY(dialog && dialog->server);
        Harness::type(dialog->server, address);
        Harness::type(dialog->user, s.user());
        Harness::type(dialog->password, s.password());
        Harness::click(dialog->find);
        if (dialog->link->isEnabled())
            Harness::click(dialog->link);
    };
    w.mnuSync->trigger();
    QCOMPARE(driver.seen, QStringList{QStringLiteral("frmSync")});
}
bool linked(Harness& h) {
    Database db(h.folder.file(QStringLiteral("Quillary.mdb")));
    return ListLink::linkOf(db).has_value();
}
} // namespace

class TestSyncWindow : public QObject {
    Q_OBJECT
private slots:
    void linkSyncAndUnlink_data() { addServerRows(); }
    void linkSyncAndUnlink();
    void untrustedCertificate_data();
    void untrustedCertificate();
    void plainHttpElsewhere_data();
    void plainHttpElsewhere();
};

void TestSyncWindow::linkSyncAndUnlink() {
    QFETCH(DavServer::Kind, kind);
    SyncFixture f(kind);
    QVERIFY2(f.server.start(), qPrintable(f.server.error()));
    f.phone = std::make_unique<DavClient>(f.account(f.server.book()));
    QCOMPARE(f.phonePut("carol", phoneCard("carol-1", "Carol Diaz", "555 0103")) / 100, 2);
    Harness h;
    pList& w = h.startWith(
        {{QStringLiteral("Ann Lee"), {}, {}, {}, {}, {}, {}, QStringLiteral("555 0101")}});
    linkInDialog(w, f.server.root().toString(), f.server);
    // Plain http to this machine: no warning.
    QCOMPARE(MsgBox::shown().size(), 0);
    QCOMPARE(sorted(h.entries()),
             (QStringList{QStringLiteral("Ann Lee"), QStringLiteral("Carol Diaz")}));
    QVERIFY2(w.listSync->statusText().contains(QStringLiteral("1 received, 1 sent")),
             qPrintable(w.listSync->statusText()));
    QCOMPARE(f.cards().size(), 2);

    // Changed on the phone; "Sync Now" brings it, keeping the entry chosen.
    h.select(QStringLiteral("Ann Lee"));
    const DavClient::Card carol = f.cards().value(f.href(QStringLiteral("carol")));
    QByteArray edited = carol.data;
    edited.replace("Carol Diaz", "Carol Diaz-Lee");
    QCOMPARE(f.phone->send("PUT", f.phone->cardUrl(carol.href), edited,
                           {{"Content-Type", "text/vcard"}, {"If-Match", carol.etag.toUtf8()}})
                     .status /
                 100,
             2);
    {
        ModalDriver driver;
        driver.act = [&](QWidget* d) {
            auto* dialog = qobject_cast<frmSync*>(d);
            QVERIFY(dialog && dialog->syncNow);
            QVERIFY(dialog->linkInfo->text().contains(f.server.user()));
            Harness::click(dialog->syncNow);
        };
        w.mnuSync->trigger();
    }
    QCOMPARE(sorted(h.entries()),
             (QStringList{QStringLiteral("Ann Lee"), QStringLiteral("Carol Diaz-Lee")}));
    QCOMPARE(w.List1->text(), QStringLiteral("Ann Lee"));
    QCOMPARE(w.Text1->text(), QStringLiteral("Ann Lee"));
    QVERIFY2(w.listSync->statusText().contains(QStringLiteral("1 received, 0 sent")),
             qPrintable(w.listSync->statusText()));

    // Typed in the window and not yet stored: the end of the program sends it.
    Harness::type(w.Text8, QStringLiteral("Bergen"));
    w.close();
    QVERIFY(f.serverContacts().join(u'\n').contains(QStringLiteral("Ann Lee||||Bergen")));

    // Unlinked: the list and the server keep their contacts.
    pList& again = h.start();
    {
        ModalDriver driver;
        driver.act = [&](QWidget* d) {
            MsgBox::setNextAnswer(MsgBox::Answer::Yes);
            Harness::click(qobject_cast<frmSync*>(d)->unlink);
        };
        again.mnuSync->trigger();
    }
    QVERIFY(!linked(h));
    QCOMPARE(h.storedNames().size(), 2);
    QCOMPARE(f.cards().size(), 2);
}

void TestSyncWindow::untrustedCertificate_data() {
    QTest::addColumn<MsgBox::Answer>("answer");
    QTest::newRow("trusted") << MsgBox::Answer::Yes;
    QTest::newRow("declined") << MsgBox::Answer::No;
}

// A self-signed server: the user is shown its certificate's fingerprint and
// chooses; a certificate trusted once is trusted for the link.
void TestSyncWindow::untrustedCertificate() {
    QFETCH(MsgBox::Answer, answer);
    SyncFixture f(DavServer::Kind::Radicale, true);
    QVERIFY2(f.server.start(), qPrintable(f.server.error()));
    QFile pem(f.server.certificate());
    QVERIFY(pem.open(QIODevice::ReadOnly));
    const QString print = QString::fromLatin1(
        QCryptographicHash::hash(QSslCertificate(&pem).toDer(), QCryptographicHash::Sha256)
            .toHex(':'));
    Harness h;
    pList& w = h.startWith({{QStringLiteral("Ann Lee")}});
    MsgBox::setNextAnswer(answer);
    linkInDialog(w, f.server.root().toString(), f.server);
    QCOMPARE(MsgBox::shown().size(), 1);
    QVERIFY2(MsgBox::shown().first().text.contains(print, Qt::CaseInsensitive),
             qPrintable(MsgBox::shown().first().text));
    QCOMPARE(linked(h), answer == MsgBox::Answer::Yes);
    if (answer != MsgBox::Answer::Yes)
        return;
    f.phone = std::make_unique<DavClient>(
        DavAccount{f.server.book(), f.server.user(), f.server.password(), print, 5000});
    QCOMPARE(f.serverContacts().size(), 1);
    // The next run of the program syncs with no question.
    w.close();
    MsgBox::clearShown();
    pList& again = h.start();
    {
        ModalDriver driver;
        driver.act = [&](QWidget* d) { Harness::click(qobject_cast<frmSync*>(d)->syncNow); };
        again.mnuSync->trigger();
    }
    QCOMPARE(MsgBox::shown().size(), 0);
    QVERIFY2(again.listSync->statusText().contains(QStringLiteral("0 received, 0 sent")),
             qPrintable(again.listSync->statusText()));
}

void TestSyncWindow::plainHttpElsewhere_data() {
    QTest::addColumn<MsgBox::Answer>("answer");
    QTest::newRow("declined") << MsgBox::Answer::Cancel;
    QTest::newRow("accepted") << MsgBox::Answer::Ok;
}

// Plain http to another machine: the user is warned before anything is sent.
void TestSyncWindow::plainHttpElsewhere() {
    QFETCH(MsgBox::Answer, answer);
    QHostAddress elsewhere;
    for (const QHostAddress& a : QNetworkInterface::allAddresses())
        if (!a.isLoopback() && a.protocol() == QAbstractSocket::IPv4Protocol)
            elsewhere = a;
    if (elsewhere.isNull())
        QSKIP("This machine has no network address besides loopback.");
    // A server there that counts the connections and closes them.
    QTcpServer server;
    QVERIFY(server.listen(elsewhere));
    int connections = 0;
    connect(&server, &QTcpServer::newConnection, &server, [&] {
        while (QTcpSocket* s = server.nextPendingConnection()) {
            ++connections;
            s->close();
        }
    });
    Harness h;
    pList& w = h.startWith({{QStringLiteral("Ann Lee")}});
    MsgBox::setNextAnswer(answer);
    const DavServer unused(DavServer::Kind::Radicale);
    linkInDialog(w,
                 QStringLiteral("http://%1:%2/").arg(elsewhere.toString()).arg(server.serverPort()),
                 unused);
    QVERIFY(MsgBox::shown().first().text.contains(elsewhere.toString()));
    // Going on, the program tries the server and says it failed.
    QCOMPARE(connections > 0, answer == MsgBox::Answer::Ok);
    QCOMPARE(MsgBox::shown().size(), answer == MsgBox::Answer::Ok ? 2 : 1);
    QVERIFY(!linked(h));
}

QTEST_MAIN(TestSyncWindow)
#include "tst_syncwindow.moc"
