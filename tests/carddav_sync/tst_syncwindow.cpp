// SPDX-License-Identifier: GPL-3.0-or-later
// The sync as the user meets it: the File menu's dialog links the list to a
// book on a real server, syncs it, syncs again on "Sync Now" and at the end,
// and unlinks it.
#include "main_window/ListSync.h"
#include "main_window/frmSync.h"
#include "outlook_import/BusyProgress.h"
#include "support/Harness.h"
#include "support/SyncFixture.h"

#include <QCryptographicHash>
#include <QDirIterator>
#include <QInputDialog>
#include <QNetworkInterface>
#include <QSslCertificate>
#include <QTcpServer>

namespace {
// Types the address, user name and password into the dialog, finds the books
// and links the first one. Returns the windows that opened.
QStringList linkInDialog(pList& w, const QString& address, const QString& user,
                         const QString& password) {
    ModalDriver driver;
    driver.act = [&](QWidget* d) {
        auto* dialog = qobject_cast<frmSync*>(d);
        QVERIFY(dialog && dialog->server);
        Harness::type(dialog->server, address);
        Harness::type(dialog->user, user);
        Harness::type(dialog->password, password);
        Harness::click(dialog->find);
        if (dialog->link->isEnabled())
            Harness::click(dialog->link);
    };
    w.mnuSync->trigger();
    return driver.seen;
}
bool linked(Harness& h) {
    Database db(h.folder.file(QStringLiteral("Quillary.mdb")));
    return ListLink::linkOf(db).has_value();
}
} // namespace

class TestSyncWindow : public QObject {
    Q_OBJECT
private slots:
    // First: no password is known yet in this run of the program.
    void passwordAfterLinking();
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
    // A sync that takes a while shows its progress.
    BusyProgress::setShowAfterMs(0);
    QCOMPARE(linkInDialog(w, f.server.root().toString(), f.server.user(), f.server.password()),
             (QStringList{QStringLiteral("frmSync"), QStringLiteral("QProgressDialog")}));
    BusyProgress::setShowAfterMs(1000);
    QCOMPARE(QApplication::overrideCursor(), nullptr);
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
// chooses; a certificate trusted is trusted for the link.
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
    linkInDialog(w, f.server.root().toString(), f.server.user(), f.server.password());
    QVERIFY2(MsgBox::shown().first().text.contains(print, Qt::CaseInsensitive),
             qPrintable(MsgBox::shown().first().text));
    QCOMPARE(linked(h), answer == MsgBox::Answer::Yes);
    if (answer != MsgBox::Answer::Yes)
        return;
    f.phone = std::make_unique<DavClient>(
        DavAccount{f.server.book(), f.server.user(), f.server.password(), print, 5000});
    QCOMPARE(f.serverContacts().size(), 1);
    ModalDriver driver;
    driver.act = [&](QWidget* d) { Harness::click(qobject_cast<frmSync*>(d)->syncNow); };
    w.mnuSync->trigger();
    QCOMPARE(MsgBox::shown().size(), 1);
    QVERIFY2(w.listSync->statusText().contains(QStringLiteral("0 received, 0 sent")),
             qPrintable(w.listSync->statusText()));
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
    QTcpServer server; // counts the connections and ends them
    QVERIFY(server.listen(elsewhere));
    int connections = 0;
    connect(&server, &QTcpServer::newConnection, &server, [&] {
        for (; server.hasPendingConnections(); ++connections)
            server.nextPendingConnection()->close();
    });
    Harness h;
    pList& w = h.startWith({{QStringLiteral("Ann Lee")}});
    MsgBox::setNextAnswer(answer);
    linkInDialog(w,
                 QStringLiteral("http://%1:%2/").arg(elsewhere.toString()).arg(server.serverPort()),
                 QStringLiteral("ann"), QStringLiteral("secret"));
    QVERIFY(MsgBox::shown().first().text.contains(elsewhere.toString()));
    // Going on, the program tries the server and says it failed.
    QCOMPARE(connections > 0, answer == MsgBox::Answer::Ok);
    QCOMPARE(MsgBox::shown().size(), answer == MsgBox::Answer::Ok ? 2 : 1);
    QVERIFY(!linked(h));
}

// The password given when linking: kept in the desktop's keyring where one
// answers, else asked once a run; in no file of the program. ctest runs this
// with no session bus, and on a bus of its own where it starts a keyring daemon
// (tst_keyring_secret_service, QUILLARY_TEST_KEYRING set).
void TestSyncWindow::passwordAfterLinking() {
    const bool keyring = qEnvironmentVariableIsSet("QUILLARY_TEST_KEYRING");
    QTemporaryDir home;
    QProcess p;
    p.setProcessChannelMode(QProcess::MergedChannels);
    if (keyring) { // a new login keyring, unlocked, in a home of its own
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        for (const char* name : {"HOME", "XDG_DATA_HOME", "XDG_RUNTIME_DIR"})
            env.insert(QString::fromLatin1(name), home.path());
        p.setProcessEnvironment(env);
        p.start(QStringLiteral("gnome-keyring-daemon"),
                {QStringLiteral("--daemonize"), QStringLiteral("--unlock"),
                 QStringLiteral("--components=secrets")});
        p.write("login");
        p.closeWriteChannel();
        QVERIFY(p.waitForFinished(30000) && p.exitCode() == 0);
    }
    SyncFixture f(DavServer::Kind::Radicale);
    Harness h;
    QVERIFY2(f.start({{QStringLiteral("Ann Lee")}}), qPrintable(f.server.error()));
    const QString password = f.server.password();
    // Linked anew on the command line, the password typed there.
    f.startProgram(p,
                   {QStringLiteral("--link-server"), f.server.root().toString(),
                    QStringLiteral("--user"), f.server.user(), QStringLiteral("--password-stdin")},
                   password);
    QVERIFY(p.waitForFinished(60000) && p.exitCode() == 0);
    if (keyring) { // read back as any other program of the desktop reads it
        p.start(QStringLiteral("secret-tool"),
                {QStringLiteral("search"), QStringLiteral("--all"), QStringLiteral("xdg:schema"),
                 QStringLiteral("org.qt.keychain")});
        QVERIFY(p.waitForFinished(30000));
        QVERIFY(p.readAll().contains("secret = " + password.toUtf8()));
    }

    // The list opened and synced twice in this run of the program.
    ModalDriver driver;
    driver.act = [&](QWidget* d) {
        if (auto* dialog = qobject_cast<frmSync*>(d))
            return Harness::click(dialog->syncNow);
        Harness::type(d->findChild<QLineEdit*>(), password);
        QTest::keyClick(d, Qt::Key_Return);
    };
    pList& w = h.start();
    w.mnuSync->trigger();
    QCOMPARE(f.serverContacts().size(), 1);
    w.mnuSync->trigger();
    QVERIFY2(w.listSync->statusText().contains(QStringLiteral("0 received, 0 sent")),
             qPrintable(w.listSync->statusText()));
    QCOMPARE(driver.seen.count(QStringLiteral("QInputDialog")), keyring ? 0 : 1);
    w.close();
    for (QDirIterator it(f.folder.path(), QDir::Files | QDir::Hidden, QDirIterator::Subdirectories);
         it.hasNext();) {
        QFile file(it.next());
        QVERIFY(file.open(QIODevice::ReadOnly));
        QVERIFY2(!file.readAll().contains(password.toUtf8()), qPrintable(file.fileName()));
    }
}

QTEST_MAIN(TestSyncWindow)
#include "tst_syncwindow.moc"
