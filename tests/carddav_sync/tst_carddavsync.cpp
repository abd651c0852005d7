// SPDX-License-Identifier: GPL-3.0-or-later
// A list synced with a real address book server while a "phone" changes the
// same book: nothing is lost or duplicated on either side.
#include "support/SyncFixture.h"

#include <QProcess>
#include <QRandomGenerator>

namespace {
QStringList contact(const QString& name, const QString& phone = {}, const QString& email = {}) {
    return {name, {}, {}, {}, {}, {}, {}, phone, {}, {}, email, {}};
}
// The properties of a card, one unfolded line each.
QStringList propertyLines(const QByteArray& card) {
    QString text = QString::fromUtf8(card);
    text.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    text.replace(QStringLiteral("\n "), QString()).replace(QStringLiteral("\n\t"), QString());
    QStringList lines = text.split(u'\n', Qt::SkipEmptyParts);
    lines.sort();
    return lines;
}
QStringList minus(QStringList a, const QStringList& b) {
    for (const QString& line : b)
        a.removeOne(line);
    return a;
}
// The card's href on the server whose text holds what.
QString hrefWith(SyncFixture& f, const QByteArray& what) {
    for (const DavClient::Card& c : f.cards())
        if (c.data.contains(what))
            return c.href;
    return {};
}
int runProgram(SyncFixture& f, const QStringList& args, const QString& password,
               QString* err = nullptr, int killAfterMs = -1) {
    QProcess p;
    f.startProgram(p, args, password);
    if (!p.waitForStarted(10000))
        return -2;
    if (killAfterMs >= 0 && !p.waitForFinished(killAfterMs)) {
        p.kill();
        p.waitForFinished(10000);
        return -1;
    }
    p.waitForFinished(120000);
    if (err)
        *err = QString::fromLocal8Bit(p.readAllStandardError());
    return p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -1;
}
} // namespace

class TestCardDavSync : public QObject {
    Q_OBJECT
private slots:
    void firstSyncMerges_data() { addServerRows(); }
    void firstSyncMerges();
    void changesTravelBothWays_data() { addServerRows(); }
    void changesTravelBothWays();
    void bothSidesChanged_data() { addServerRows(); }
    void bothSidesChanged();
    void phoneCardKeepsItsProperties_data();
    void phoneCardKeepsItsProperties();
    void killedSyncsLoseNothing_data() { addServerRows(); }
    void killedSyncsLoseNothing();
    void serverStoppedMidSync_data() { addServerRows(); }
    void serverStoppedMidSync();
    void commandLine();
};

void TestCardDavSync::firstSyncMerges() {
    QFETCH(DavServer::Kind, kind);
    SyncFixture f(kind);
    QVERIFY2(f.start({contact("Ann Lee", "555 0101"), contact("Bob Stone")}),
             qPrintable(f.server.error()));
    QCOMPARE(f.phonePut("ann", phoneCard("ann-1", "Ann Lee", "555 0101", "ann@example.org")), 201);
    QCOMPARE(f.phonePut("carol", phoneCard("carol-1", "Carol Diaz")), 201);
    const SyncEngine::Result first = f.sync();
    QCOMPARE(first.conflicts, 0);
    QCOMPARE(f.contacts(),
             (QStringList{contact("Ann Lee", "555 0101", "ann@example.org").join(u'|'),
                          contact("Bob Stone").join(u'|'), contact("Carol Diaz").join(u'|')}));
    QCOMPARE(f.serverContacts(), f.contacts());
    QCOMPARE(f.sync().summary(), QStringLiteral("0 received, 0 sent, 0 conflicts kept"));
}

void TestCardDavSync::changesTravelBothWays() {
    QFETCH(DavServer::Kind, kind);
    SyncFixture f(kind);
    QVERIFY2(
        f.start({contact("Ann Lee", "555 0101"), contact("Bob Stone"), contact({}, "555 0199")}),
        qPrintable(f.server.error()));
    QCOMPARE(f.sync().sent, 3);
    // Edited here, by any program writing the list.
    f.sql(QStringLiteral(
        "UPDATE pName2 SET pCity='Oslo', pNotes='line one\r\nline two' WHERE pName='Ann Lee'"));
    f.sql(QStringLiteral("DELETE FROM pName2 WHERE pName='Bob Stone'"));
    const SyncEngine::Result out = f.sync();
    QCOMPARE(out.sent, 2);
    QCOMPARE(f.serverContacts(), f.contacts());
    QCOMPARE(f.contacts().size(), 2);
    // Edited and deleted on the phone.
    const QString ann = hrefWith(f, "FN:Ann Lee");
    const DavClient::Card annCard = f.cards().value(ann);
    QByteArray edited = annCard.data;
    edited.replace("555 0101", "555 0202");
    QCOMPARE(f.phone->send("PUT", f.phone->cardUrl(ann), edited,
                           {{"Content-Type", "text/vcard"}, {"If-Match", annCard.etag.toUtf8()}})
                     .status /
                 100,
             2);
    const QString nameless = hrefWith(f, "555 0199");
    QCOMPARE(f.phone->send("DELETE", f.phone->cardUrl(nameless)).status / 100, 2);
    const SyncEngine::Result in = f.sync();
    QCOMPARE(in.received, 2);
    QCOMPARE(in.sent, 0);
    QStringList annNow = contact("Ann Lee", "555 0202");
    annNow[4] = QStringLiteral("Oslo");
    annNow[11] = QStringLiteral("line one\r\nline two");
    QCOMPARE(f.contacts(), QStringList{annNow.join(u'|')});
    QCOMPARE(f.serverContacts(), f.contacts());
}

void TestCardDavSync::bothSidesChanged() {
    QFETCH(DavServer::Kind, kind);
    SyncFixture f(kind);
    QVERIFY2(f.start({contact("Ann Lee", "555 0101"), contact("Bob Stone", "555 0102"),
                      contact("Carol Diaz", "555 0103"), contact("Dan Wu", "555 0104")}),
             qPrintable(f.server.error()));
    f.sync();
    const auto phoneEdit = [&](const QByteArray& name, const QByteArray& from,
                               const QByteArray& to) {
        const DavClient::Card c = f.cards().value(hrefWith(f, "FN:" + name));
        QByteArray data = c.data;
        data.replace(from, to);
        return f.phone
            ->send("PUT", f.phone->cardUrl(c.href), data,
                   {{"Content-Type", "text/vcard"}, {"If-Match", c.etag.toUtf8()}})
            .status;
    };
    // The same field, differently: both kept.
    f.sql(QStringLiteral("UPDATE pName2 SET pPhone='555 0201' WHERE pName='Ann Lee'"));
    QCOMPARE(phoneEdit("Ann Lee", "555 0101", "555 0301") / 100, 2);
    // Different fields: one contact with both changes.
    f.sql(QStringLiteral("UPDATE pName2 SET pCity='Lima' WHERE pName='Bob Stone'"));
    QCOMPARE(phoneEdit("Bob Stone", "555 0102", "555 0302") / 100, 2);
    // Deleted here, edited there; edited here, deleted there: the edits stay.
    f.sql(QStringLiteral("DELETE FROM pName2 WHERE pName='Carol Diaz'"));
    QCOMPARE(phoneEdit("Carol Diaz", "555 0103", "555 0303") / 100, 2);
    f.sql(QStringLiteral("UPDATE pName2 SET pZip='0150' WHERE pName='Dan Wu'"));
    QCOMPARE(f.phone->send("DELETE", f.phone->cardUrl(hrefWith(f, "FN:Dan Wu"))).status / 100, 2);

    const SyncEngine::Result r = f.sync();
    QCOMPARE(r.conflicts, 1);
    QStringList bob = contact("Bob Stone", "555 0302");
    bob[4] = QStringLiteral("Lima");
    QStringList dan = contact("Dan Wu", "555 0104");
    dan[6] = QStringLiteral("0150");
    QStringList expected{contact("Ann Lee", "555 0201").join(u'|'),
                         contact("Ann Lee", "555 0301").join(u'|'), bob.join(u'|'),
                         contact("Carol Diaz", "555 0303").join(u'|'), dan.join(u'|')};
    expected.sort();
    QCOMPARE(f.contacts(), expected);
    QCOMPARE(f.serverContacts(), expected);
    QCOMPARE(f.sync().summary(), QStringLiteral("0 received, 0 sent, 0 conflicts kept"));
    // The contacts kept so sync on as the same cards, under their own UIDs.
    const auto uidOf = [&](const QByteArray& name) {
        return VCardReader::readData(f.cards().value(hrefWith(f, "FN:" + name)).data).first().uid;
    };
    const QString carol = uidOf("Carol Diaz");
    const QString danUid = uidOf("Dan Wu");
    f.sql(QStringLiteral("UPDATE pName2 SET pCity='Kyiv' WHERE pName IN ('Carol Diaz','Dan Wu')"));
    QCOMPARE(f.sync().summary(), QStringLiteral("0 received, 2 sent, 0 conflicts kept"));
    QCOMPARE(f.serverContacts(), f.contacts());
    QCOMPARE(uidOf("Carol Diaz"), carol);
    QCOMPARE(uidOf("Dan Wu"), danUid);
}

void TestCardDavSync::phoneCardKeepsItsProperties_data() {
    QTest::addColumn<DavServer::Kind>("kind");
    QTest::addColumn<QString>("file");
    for (const char* file : {"syncevo_Google-CardDAV.vcf", "kcontacts_testfullvcard.vcf",
                             "kcontacts_vcardwithitemasapplesupport.vcf",
                             "ezvcard_John_Doe_MAC_ADDRESS_BOOK.vcf", "tb_v3-binary-jpeg.vcf"})
        for (DavServer::Kind kind : {DavServer::Kind::Radicale, DavServer::Kind::Xandikos})
            QTest::addRow("%s %s", kind == DavServer::Kind::Radicale ? "Radicale" : "Xandikos",
                          file)
                << kind << QString::fromLatin1(file);
}

void TestCardDavSync::phoneCardKeepsItsProperties() {
    QFETCH(DavServer::Kind, kind);
    QFETCH(QString, file);
    SyncFixture f(kind);
    QVERIFY2(f.start(), qPrintable(f.server.error()));
    QFile source(QStringLiteral(QUILLARY_SOURCE_DIR "/tests/data/vcard-corpus/") + file);
    QVERIFY(source.open(QIODevice::ReadOnly));
    QByteArray card = source.readAll();
    if (!card.contains("\nUID"))
        card.replace("END:VCARD", "UID:phone-made-1\r\nEND:VCARD");
    QCOMPARE(f.phonePut("phone", card) / 100, 2);
    QCOMPARE(f.sync().received, 1);
    const QByteArray before = f.cards().first().data;
    f.sql(QStringLiteral("UPDATE pName2 SET pPhone='+47 555 0100'"));
    QCOMPARE(f.sync().sent, 1);
    const QByteArray after = f.cards().first().data;
    // Only the property of the field edited differs.
    const QStringList gone = minus(propertyLines(before), propertyLines(after));
    const QStringList added = minus(propertyLines(after), propertyLines(before));
    QVERIFY2(gone.size() <= 1, qPrintable(gone.join(u'\n')));
    QCOMPARE(added.size(), 1);
    QVERIFY2(added.first().startsWith(QStringLiteral("TEL")) ||
                 added.first().contains(QStringLiteral(".TEL")),
             qPrintable(added.first()));
    QVERIFY(added.first().contains(QStringLiteral("+47 555 0100")));
}

void TestCardDavSync::killedSyncsLoseNothing() {
    QFETCH(DavServer::Kind, kind);
    SyncFixture f(kind);
    QList<QStringList> mine;
    for (int i = 0; i < 60; ++i)
        mine << contact(QStringLiteral("Local %1").arg(i),
                        QStringLiteral("555 1%1").arg(i, 3, 10, QChar(u'0')));
    QVERIFY2(f.start(mine), qPrintable(f.server.error()));
    for (int i = 0; i < 60; ++i)
        QCOMPARE(
            f.phonePut(QStringLiteral("p%1").arg(i), phoneCard(QStringLiteral("p-%1").arg(i),
                                                               QStringLiteral("Phone %1").arg(i))) /
                100,
            2);
    QRandomGenerator random(27);
    for (int round = 0; round < 8; ++round)
        runProgram(f, {QStringLiteral("--sync"), QStringLiteral("--password-stdin")},
                   f.server.password(), nullptr, int(random.bounded(50, 700)));
    f.sync();
    QCOMPARE(f.contacts().size(), 120);
    QCOMPARE(f.contacts().removeDuplicates(), 0);
    QCOMPARE(f.serverContacts(), f.contacts());
}

void TestCardDavSync::serverStoppedMidSync() {
    QFETCH(DavServer::Kind, kind);
    SyncFixture f(kind);
    QList<QStringList> mine;
    for (int i = 0; i < 150; ++i)
        mine << contact(QStringLiteral("Local %1").arg(i));
    QVERIFY2(f.start(mine), qPrintable(f.server.error()));
    QProcess p;
    f.startProgram(p, {QStringLiteral("--sync"), QStringLiteral("--password-stdin")},
                   f.server.password());
    QTest::qWait(400);
    f.server.stop();
    QVERIFY(p.waitForFinished(60000));
    const QStringList before = f.contacts();
    QCOMPARE(before.size(), 150);
    try {
        f.sync();
        QFAIL("a stopped server synced");
    } catch (const DavError& e) {
        QCOMPARE(e.kind(), DavError::Kind::Unreachable);
    }
    QCOMPARE(f.contacts(), before);
    QVERIFY2(f.server.start(), qPrintable(f.server.error()));
    f.sync();
    QCOMPARE(f.contacts(), before);
    QCOMPARE(f.serverContacts(), before);
}

void TestCardDavSync::commandLine() {
    SyncFixture f(DavServer::Kind::Radicale);
    QVERIFY2(f.server.start(), qPrintable(f.server.error()));
    f.folder.install(QStringLiteral("plist.ini"));
    f.folder.addList(QStringLiteral("Work.mdb"));
    f.folder.addContacts(QStringLiteral("Work.mdb"), {contact("Ann Lee")});
    const QStringList link{QStringLiteral("--link-server"),   f.server.root().toString(),
                           QStringLiteral("--user"),          f.server.user(),
                           QStringLiteral("--list"),          QStringLiteral("Work"),
                           QStringLiteral("--password-stdin")};
    QString err;
    QCOMPARE(runProgram(f, link, QStringLiteral("wrong"), &err), 1);
    QVERIFY2(err.contains(QStringLiteral("refused the user name or password")), qPrintable(err));
    QCOMPARE(runProgram(f, link, f.server.password(), &err), 0);
    const QStringList sync{QStringLiteral("--sync"), QStringLiteral("--list"),
                           QStringLiteral("Work"), QStringLiteral("--password-stdin")};
    QCOMPARE(runProgram(f, sync, QStringLiteral("wrong"), &err), 1);
    QVERIFY2(err.contains(QStringLiteral("refused")), qPrintable(err));
    QProcess p;
    f.startProgram(p, sync, f.server.password());
    QVERIFY(p.waitForFinished(60000));
    QCOMPARE(QString::fromLocal8Bit(p.readAllStandardOutput()).trimmed(),
             QStringLiteral("0 received, 1 sent, 0 conflicts kept"));
    QCOMPARE(p.exitCode(), 0);
    QCOMPARE(
        runProgram(
            f, {QStringLiteral("--unlink"), QStringLiteral("--list"), QStringLiteral("Work")}, {}),
        0);
    QCOMPARE(runProgram(f, sync, f.server.password(), &err), 1);
    QVERIFY2(err.contains(QStringLiteral("linked to no address book")), qPrintable(err));
}

QTEST_MAIN(TestCardDavSync)
#include "tst_carddavsync.moc"
