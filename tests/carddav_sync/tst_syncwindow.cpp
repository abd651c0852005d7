// SPDX-License-Identifier: GPL-3.0-or-later
// The sync as the user meets it: the File menu's dialog links the list to a
// book on a real server, syncs it, syncs again on "Sync Now" and at the end,
// and unlinks it.
#include "main_window/ListSync.h"
#include "main_window/frmSync.h"
#include "support/Harness.h"
#include "support/SyncFixture.h"

#include <QListWidget>

class TestSyncWindow : public QObject {
    Q_OBJECT
private slots:
    void linkSyncAndUnlink_data() { addServerRows(); }
    void linkSyncAndUnlink();
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
    {
        ModalDriver driver;
        driver.act = [&](QWidget* d) {
            auto* dialog = qobject_cast<frmSync*>(d);
            QVERIFY(dialog && dialog->server);
            Harness::type(dialog->server, f.server.root().toString());
            Harness::type(dialog->user, f.server.user());
            Harness::type(dialog->password, f.server.password());
            Harness::click(dialog->find);
            QVERIFY(dialog->books->count() >= 1);
            dialog->books->setCurrentRow(0);
            Harness::click(dialog->link);
        };
        w.mnuSync->trigger();
        QCOMPARE(driver.seen, QStringList{QStringLiteral("frmSync")});
    }
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
    {
        Database db(h.folder.file(QStringLiteral("Quillary.mdb")));
        QVERIFY(!ListLink::linkOf(db));
    }
    QCOMPARE(h.storedNames().size(), 2);
    QCOMPARE(f.cards().size(), 2);
}

QTEST_MAIN(TestSyncWindow)
#include "tst_syncwindow.moc"
