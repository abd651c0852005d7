// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/Database.h"
#include "storage/CardStore.h"
#include "support/Cards.h"
#include "support/TestFolder.h"
#include "vcard/VCardReader.h"
#include "vcard/VCardWriter.h"

#include <QDir>
#include <QJsonObject>
#include <QRegularExpression>
#include <SQLiteCpp/SQLiteCpp.h>

using F = ContactFields;

namespace {

const QString kCorpusDir = QStringLiteral(QUILLARY_SOURCE_DIR "/tests/data/vcard-corpus");

// A card's property lines, unfolded, without BEGIN and END.
QStringList propertyLines(const QByteArray& card) {
    QStringList out;
    const QString text = QString::fromUtf8(card);
    for (const QString& line : text.split(QRegularExpression("\r\n|\r|\n"))) {
        if (!out.isEmpty() && (line.startsWith(u' ') || line.startsWith(u'\t')))
            out.back() += line.mid(1);
        else if (!out.isEmpty() && out.back().endsWith(u'=') &&
                 out.back().section(u':', 0, 0).contains("QUOTED-PRINTABLE", Qt::CaseInsensitive))
            out.back() = out.back().chopped(1) + line; // a soft line break
        else if (!line.trimmed().isEmpty())
            out << line;
    }
    out.removeIf([](const QString& l) { return l.trimmed().toUpper().endsWith(":VCARD"); });
    return out;
}

QString propertyName(const QString& line) {
    const QString head = line.left(line.indexOf(QRegularExpression("[;:]")));
    return head.mid(head.lastIndexOf(u'.') + 1).toUpper();
}

// Lines of `a` not in `b`, counting repeats.
QStringList minus(QStringList a, const QStringList& b) {
    for (const QString& line : b)
        a.removeOne(line);
    return a;
}

QStringList sorted(QStringList list) {
    list.sort();
    return list;
}

QStringList values(const QJsonObject& card, const QString& name) {
    QStringList out;
    for (const QJsonValue& v : card.value(name).toArray())
        out << v.toString();
    return out;
}

} // namespace

class tst_vcardwriter : public QObject {
    Q_OBJECT

private slots:
    // Random contacts written to one file read back field for field by the
    // program's reader, and value for value by the outside reference.
    void roundTrip() {
        const quint32 seed = qEnvironmentVariableIsSet("QUILLARY_SEED")
                                 ? quint32(qEnvironmentVariableIntValue("QUILLARY_SEED"))
                                 : 20261207u;
        QRandomGenerator r(seed);
        const int count = Cards::roundTripCount(300);
        const QStringList columns = {"Web Page", "Spouse", "Ünï code", "x"};
        QList<F> contacts;
        QStringList uids;
        QByteArray file;
        for (int i = 0; i < count; ++i) {
            contacts << Cards::randomContact(r, columns);
            uids << VCardWriter::newUid();
            file += VCardWriter::card(contacts.back(), uids.back());
        }
        for (const QByteArray& line : file.chopped(1).split('\n')) {
            QVERIFY2(line.endsWith('\r') && line.size() <= 76, line.constData());
            QVERIFY(QString::fromUtf8(line).toUtf8() == line); // whole characters only
        }
        QTemporaryDir dir;
        const QString path = dir.filePath("cards.vcf");
        QFile out(path);
        QVERIFY(out.open(QIODevice::WriteOnly));
        out.write(file.chopped(2)); // the last line end is dropped: the file ends at END:VCARD
        out.close();

        const QList<ContactCard> read = VCardReader::readFile(path);
        QCOMPARE(read.size(), count);
        for (int i = 0; i < count; ++i) {
            QCOMPARE(read[i].fields.values, contacts[i].values);
            QCOMPARE(read[i].fields.extra, contacts[i].extra);
            QCOMPARE(read[i].uid, uids[i]);
        }

        const QJsonArray reference = Cards::vobjectRead(path);
        QCOMPARE(reference.size(), count);
        for (int i = 0; i < count; ++i) {
            const F& c = contacts[i];
            const QJsonObject card = reference[i].toObject();
            const auto ref = [](const QString& s) { return Cards::asReferenceReads(s); };
            const auto one = [](const QString& s) {
                return s.isEmpty() ? QStringList{} : QStringList{s};
            };
            QCOMPARE(values(card, "FN"), QStringList{c[F::Name]});
            QCOMPARE(values(card, "UID"), QStringList{uids[i]});
            const QJsonArray n = card.value("N").toArray().at(0).toArray();
            QCOMPARE((n[1].toString() + u' ' + n[0].toString()).trimmed(), c[F::Name].trimmed());
            QCOMPARE(values(card, "ORG"), one(c[F::Company]));
            QCOMPARE(values(card, "TEL;HOME;VOICE"), one(c[F::Phone]));
            QCOMPARE(values(card, "TEL;VOICE;WORK"), one(c[F::CoPhone]));
            QCOMPARE(values(card, "TEL;FAX"), one(c[F::Fax]));
            QCOMPARE(values(card, "EMAIL;INTERNET"), one(c[F::Email]));
            QCOMPARE(values(card, "NOTE"), one(ref(c[F::Notes])));
            const QJsonArray adr = card.value("ADR;HOME").toArray();
            if (adr.isEmpty()) {
                for (F::Field f : {F::Address, F::Address2, F::City, F::State, F::Zip})
                    QVERIFY(c[f].isEmpty());
            } else {
                const QJsonArray parts = adr[0].toArray();
                const QString street = c[F::Address2].isEmpty()
                                           ? c[F::Address]
                                           : c[F::Address] + u'\n' + c[F::Address2];
                QCOMPARE(parts[2].toString(), street);
                QCOMPARE(parts[3].toString(), c[F::City]);
                QCOMPARE(parts[4].toString(), c[F::State]);
                QCOMPARE(parts[5].toString(), c[F::Zip]);
            }
            QStringList extras, expected;
            for (const QString& key : card.keys())
                if (key.startsWith("X-QUILLARY-"))
                    extras << values(card, key);
            for (const auto& e : c.extra)
                expected << e.second;
            QCOMPARE(sorted(extras), sorted(expected));
        }
        qInfo("%d random cards compared (seed %u)", count, seed);
    }

    // Every real card, one field changed: every other property line stays as
    // it was, the changed one is there once, and the card reads back changed.
    void keptCards_data() {
        QTest::addColumn<QString>("file");
        for (const QString& f : QDir(kCorpusDir).entryList({"*.vcf"}, QDir::Files))
            QTest::newRow(qPrintable(f)) << f;
    }
    void keptCards() {
        QFETCH(QString, file);
        const struct {
            F::Field field;
            const char* property;
            QString value;
        } changes[] = {{F::Phone, "TEL", "+1 555 0100"},
                       {F::Email, "EMAIL", "new@example.org"},
                       {F::Notes, "NOTE", "changed\r\nnote; with, all\\"},
                       {F::Company, "ORG", "Über Gmbh"},
                       {F::City, "ADR", QString()},
                       {F::Name, "FN", "Ann Ö Smith"}};
        int i = 0;
        for (const ContactCard& card : VCardReader::readFile(kCorpusDir + u'/' + file)) {
            if (card.isGroup)
                continue;
            const auto& change = changes[i++ % std::size(changes)];
            F fields = card.fields;
            fields[change.field] = change.value.isNull() && fields[change.field].isEmpty()
                                       ? QStringLiteral("Springfield")
                                       : change.value;
            const QString uid = card.uid.isEmpty() ? VCardWriter::newUid() : card.uid;
            const QByteArray merged =
                VCardWriter::merged(card.text, VCardReader::AddressChoice::Preferred, fields, uid);
            const QStringList before = propertyLines(card.text);
            const QStringList after = propertyLines(merged);
            QSet<QString> touched = {change.property};
            if (change.field == F::Name || card.fn.trimmed().isEmpty())
                touched << "N"
                        << "FN";
            if (card.uid.isEmpty())
                touched << "UID";
            for (const QString& line : minus(before, after))
                QVERIFY2(touched.contains(propertyName(line)), qPrintable(line));
            const QStringList added = minus(after, before);
            QVERIFY2(added.size() <= touched.size() - (change.field == F::Name ? 0 : 2) + 2,
                     qPrintable(added.join('\n')));
            for (const QString& line : added)
                QVERIFY2(touched.contains(propertyName(line)), qPrintable(line));
            QCOMPARE(minus(after, added), minus(before, minus(before, after)));
            const QList<ContactCard> again = VCardReader::readData(merged);
            QCOMPARE(again.size(), 1);
            QCOMPARE(again[0].fields.values, fields.values);
            QCOMPARE(again[0].uid, uid);
            // Unchanged, the card is written as it came.
            QCOMPARE(minus(propertyLines(VCardWriter::merged(
                               card.text, VCardReader::AddressChoice::Preferred, card.fields, uid)),
                           {"UID:" + uid}),
                     card.uid.isEmpty() ? before : minus(before, {"UID:" + uid}));
        }
    }

    // The kept cards and UIDs of a list: a contact's entry goes with the contact,
    // and one UID is never held by two contacts.
    void store() {
        TestFolder folder;
        folder.addList("L.mdb");
        folder.addContacts("L.mdb", {{"Ann"}, {"Bob"}, {"Cid"}});
        Database db(folder.file("L.mdb"));
        CardStore store(db);
        QVERIFY(store.all().isEmpty());
        QCOMPARE(store.keep(1, "u-1", "BEGIN:VCARD\r\nEND:VCARD\r\n", true), QString("u-1"));
        const QString second = store.keep(2, "u-1", {});
        QVERIFY(second != "u-1" && !second.isEmpty());
        const QHash<qint64, QString> uids = store.ensureUids({1, 2, 3});
        QCOMPARE(uids.value(1), QString("u-1"));
        QCOMPARE(uids.value(2), second);
        QCOMPARE(store.ensureUids({3}).value(3), uids.value(3));
        QCOMPARE(store.contactOf(uids.value(3)), std::optional<qint64>(3));
        QCOMPARE(store.find(1)->card, QByteArray("BEGIN:VCARD\r\nEND:VCARD\r\n"));
        QVERIFY(store.find(1)->homeAddress);
        db.handle().exec("DELETE FROM pName2 WHERE pName = 'Ann'");
        QVERIFY(!store.find(1));
        store.forget(2);
        QCOMPARE(store.all().keys(), QList<qint64>{3});
        QCOMPARE(db.columns("pName2").size(), 12);
    }
};

QTEST_GUILESS_MAIN(tst_vcardwriter)
#include "tst_vcardwriter.moc"
