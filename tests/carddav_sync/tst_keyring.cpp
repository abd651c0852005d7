// SPDX-License-Identifier: GPL-3.0-or-later
// The server password given when linking: kept in the desktop's keyring where
// one answers, else asked once in each run of the program; in no file of the
// program either way. Run as tst_keyring with no session bus, and as
// tst_keyring_secret_service on a session bus of its own, where it starts a
// keyring daemon (QUILLARY_TEST_KEYRING set).
#include "main_window/ListSync.h"
#include "main_window/frmSync.h"
#include "support/Harness.h"
#include "support/SyncFixture.h"

#include <QDirIterator>
#include <QInputDialog>

namespace {
bool withKeyring() {
    return qEnvironmentVariableIsSet("QUILLARY_TEST_KEYRING");
}
int run(const QString& program, const QStringList& args, const QByteArray& input = {},
        QByteArray* out = nullptr,
        const QProcessEnvironment& env = QProcessEnvironment::systemEnvironment()) {
    QProcess p;
    p.setProcessEnvironment(env);
    p.setProcessChannelMode(QProcess::MergedChannels);
    p.start(program, args);
    p.write(input);
    p.closeWriteChannel();
    const bool ended = p.waitForFinished(60000);
    if (out)
        *out = p.readAll();
    return ended && p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -1;
}
} // namespace

class TestKeyring : public QObject {
    Q_OBJECT
    QTemporaryDir home_;
private slots:
    void initTestCase();
    void passwordAfterLinking();
};

void TestKeyring::initTestCase() {
    if (!withKeyring())
        return;
    // A new login keyring, unlocked, in a home of its own.
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    for (const char* name : {"HOME", "XDG_DATA_HOME", "XDG_RUNTIME_DIR"})
        env.insert(QString::fromLatin1(name), home_.path());
    QCOMPARE(run(QStringLiteral("gnome-keyring-daemon"),
                 {QStringLiteral("--daemonize"), QStringLiteral("--unlock"),
                  QStringLiteral("--components=secrets")},
                 "login", nullptr, env),
             0);
}

void TestKeyring::passwordAfterLinking() {
    SyncFixture f(DavServer::Kind::Radicale);
    QVERIFY2(f.server.start(), qPrintable(f.server.error()));
    f.phone = std::make_unique<DavClient>(f.account(f.server.book()));
    Harness h;
    h.folder.install(QStringLiteral("plist.ini"));
    h.folder.addList(QStringLiteral("Quillary.mdb"));
    h.folder.addContacts(QStringLiteral("Quillary.mdb"), {{QStringLiteral("Ann Lee")}});
    const QString password = f.server.password();
    QByteArray out;
    QCOMPARE(run(QStringLiteral(QUILLARY_APP_BUILD_DIR "/quillary"),
                 {QStringLiteral("--folder"), h.folder.path(), QStringLiteral("--link-server"),
                  f.server.root().toString(), QStringLiteral("--user"), f.server.user(),
                  QStringLiteral("--password-stdin")},
                 (password + u'\n').toUtf8(), &out),
             0);
    if (withKeyring()) { // read back as any other program of the desktop reads it
        QCOMPARE(run(QStringLiteral("secret-tool"),
                     {QStringLiteral("search"), QStringLiteral("--all"),
                      QStringLiteral("xdg:schema"), QStringLiteral("org.qt.keychain")},
                     {}, &out),
                 0);
        QVERIFY2(out.contains("secret = " + password.toUtf8()), out.constData());
    }

    // The list opened and synced twice in this run of the program.
    ModalDriver driver;
    driver.act = [&](QWidget* d) {
        if (auto* dialog = qobject_cast<frmSync*>(d))
            return Harness::click(dialog->syncNow);
        QVERIFY(qobject_cast<QInputDialog*>(d));
        Harness::type(d->findChild<QLineEdit*>(), password);
        QTest::keyClick(d, Qt::Key_Return);
    };
    pList& w = h.start();
    w.mnuSync->trigger();
    QCOMPARE(f.serverContacts().size(), 1);
    w.mnuSync->trigger();
    QVERIFY2(w.listSync->statusText().contains(QStringLiteral("0 received, 0 sent")),
             qPrintable(w.listSync->statusText()));
    QCOMPARE(driver.seen.count(QStringLiteral("QInputDialog")), withKeyring() ? 0 : 1);
    w.close();

    for (QDirIterator it(h.folder.path(), QDir::Files | QDir::Hidden, QDirIterator::Subdirectories);
         it.hasNext();) {
        QFile file(it.next());
        QVERIFY(file.open(QIODevice::ReadOnly));
        QVERIFY2(!file.readAll().contains(password.toUtf8()), qPrintable(file.fileName()));
    }
}

QTEST_MAIN(TestKeyring)
#include "tst_keyring.moc"
