// SPDX-License-Identifier: GPL-3.0-or-later
// Seeded model of a sync: random additions, edits and deletions on both sides,
// syncs killed at random moments, then one more sync; both sides must then hold
// what a model of the two sides says. QUILLARY_SYNC_MODEL_ROUNDS runs longer.
#include "support/SyncFixture.h"

#include <QProcess>
#include <QRandomGenerator>

namespace {
using F = ContactFields;
const QList<F::Field> edited{F::Phone, F::Email, F::Notes};

QStringList row(const ContactFields& f) {
    return QStringList(f.values.begin(), f.values.end());
}
QString word(QRandomGenerator& r) {
    static const QStringList words{"oak", "river", "Zoë", "北京", "stone", "ash", "mill", "Ærø"};
    return words.at(r.bounded(words.size())) + QString::number(r.bounded(1000));
}
QByteArray cardOf(const QString& uid, const ContactFields& f) {
    return phoneCard(uid, f[F::Name], f[F::Phone], f[F::Email], f[F::Notes]);
}
} // namespace

class TestSyncModel : public QObject {
    Q_OBJECT
private slots:
    void randomChangesOnBothSides_data() { addServerRows(); }
    void randomChangesOnBothSides();
};

void TestSyncModel::randomChangesOnBothSides() {
    QFETCH(DavServer::Kind, kind);
    const int rounds = qEnvironmentVariableIsSet("QUILLARY_SYNC_MODEL_ROUNDS")
                           ? qEnvironmentVariableIntValue("QUILLARY_SYNC_MODEL_ROUNDS")
                           : 4;
    QRandomGenerator random(2026u + uint(kind));
    SyncFixture f(kind);
    QMap<QString, ContactFields> model; // by name
    QList<QStringList> start;
    for (int i = 0; i < 12; ++i) {
        ContactFields c;
        c[F::Name] = QStringLiteral("Start %1").arg(i);
        c[F::Phone] = QStringLiteral("555 %1").arg(i);
        model.insert(c[F::Name], c);
        start << row(c);
    }
    QVERIFY2(f.start(start), qPrintable(f.server.error()));
    f.sync();
    int made = 0;
    for (int round = 0; round < rounds; ++round) {
        // The server's cards by name, as the phone sees them.
        QMap<QString, DavClient::Card> onServer;
        for (const DavClient::Card& c : f.cards())
            onServer.insert(VCardReader::readData(c.data).first().fields[F::Name], c);
        QStringList names = model.keys();
        for (const QString& name : std::as_const(names)) {
            const int local = int(random.bounded(6));  // 0 edit, 1 delete, else nothing
            const int remote = int(random.bounded(6)); // the same on the server
            const F::Field localField = edited.at(random.bounded(edited.size()));
            F::Field remoteField = edited.at(random.bounded(edited.size()));
            if (local == 0 && remote == 0 && remoteField == localField)
                remoteField = edited.at((edited.indexOf(localField) + 1) % edited.size());
            ContactFields expected = model.value(name);
            const QString localValue = word(random);
            const QString remoteValue = word(random);
            if (local == 0) {
                f.sql(QStringLiteral("UPDATE pName2 SET %1='%2' WHERE pName='%3'")
                          .arg(QLatin1String(F::columns[localField]), localValue, name));
                expected[localField] = localValue;
            } else if (local == 1) {
                f.sql(QStringLiteral("DELETE FROM pName2 WHERE pName='%1'").arg(name));
            }
            const DavClient::Card card = onServer.value(name);
            if (remote == 0) {
                ContactFields there = VCardReader::readData(card.data).first().fields;
                there[remoteField] = remoteValue;
                QCOMPARE(f.phone->send("PUT", f.phone->cardUrl(card.href),
                                       cardOf(VCardReader::readData(card.data).first().uid, there),
                                       {{"Content-Type", "text/vcard"},
                                        {"If-Match", card.etag.toUtf8()}})
                                 .status /
                             100,
                         2);
                expected[remoteField] = remoteValue;
            } else if (remote == 1) {
                QCOMPARE(f.phone->send("DELETE", f.phone->cardUrl(card.href)).status / 100, 2);
            }
            // An edit outlives a deletion on the other side.
            if ((local == 1 && remote != 0) || (remote == 1 && local != 0))
                model.remove(name);
            else
                model.insert(name, expected);
        }
        for (int i = 0; i < 3; ++i) {
            ContactFields c;
            c[F::Name] = QStringLiteral("Made %1").arg(++made);
            c[F::Email] = word(random) + QStringLiteral("@example.org");
            model.insert(c[F::Name], c);
            if (random.bounded(2) == 0)
                f.folder.addContacts(QStringLiteral("Quillary.mdb"), {row(c)});
            else
                QCOMPARE(f.phonePut(QStringLiteral("made-%1").arg(made),
                                    cardOf(QStringLiteral("m-%1").arg(made), c)) /
                             100,
                         2);
        }
        // Syncs killed at random moments.
        for (int kill = int(random.bounded(3)); kill > 0; --kill) {
            QProcess p;
            f.startProgram(p, {QStringLiteral("--sync"), QStringLiteral("--password-stdin")},
                           f.server.password());
            if (!p.waitForFinished(int(random.bounded(30, 400))))
                p.kill();
            p.waitForFinished(10000);
        }
        try {
            f.sync();
        } catch (const DavError& e) {
            QFAIL(qPrintable(QStringLiteral("round %1: %2").arg(round).arg(e.message())));
        }
        QStringList expected;
        for (const ContactFields& c : std::as_const(model))
            expected << row(c).join(u'|');
        expected.sort();
        QCOMPARE(f.contacts(), expected);
        QCOMPARE(f.serverContacts(), expected);
        QCOMPARE(f.sync().summary(), QStringLiteral("0 received, 0 sent, 0 conflicts kept"));
    }
}

QTEST_MAIN(TestSyncModel)
#include "tst_syncmodel.moc"
