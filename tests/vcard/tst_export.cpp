// SPDX-License-Identifier: GPL-3.0-or-later
#include "support/Cards.h"
#include "support/ImportWindow.h"
#include "vcard/VCardReader.h"

#include "platform/Database.h"
#include <QDirIterator>

#include <QFileDialog>
#include <QMenu>
#include <QMenuBar>

using F = ContactFields;

namespace {

const QString kCorpusDir = QStringLiteral(QUILLARY_SOURCE_DIR "/tests/data/vcard-corpus");

// Answers the save dialog as a person does: notes where it starts, types the
// file name and presses Enter; the dialog's own overwrite question gets `replace`.
struct SaveDialog {
    QString name;
    bool replace = true;
    QString startedIn, suggested;
    bool askedToReplace = false;
    ModalDriver driver;
    SaveDialog(const QString& fileName, bool replaceIt) : name(fileName), replace(replaceIt) {
        driver.act = [this](QWidget* w) {
            if (auto* dialog = qobject_cast<QFileDialog*>(w)) {
                startedIn = dialog->directory().absolutePath();
                auto* field = dialog->findChild<QLineEdit*>(QStringLiteral("fileNameEdit"));
                QVERIFY(field);
                suggested = field->text();
                field->setText(name);
                QTest::keyClick(field, Qt::Key_Return);
            } else if (auto* box = qobject_cast<QMessageBox*>(w)) {
                askedToReplace = true;
                box->button(replace ? QMessageBox::Yes : QMessageBox::No)->click();
            }
        };
    }
};

QStringList namesIn(const QString& file) {
    QStringList names;
    for (const ContactCard& c : VCardReader::readFile(file))
        names << c.fn;
    return names;
}

// Opens the File menu by a click on the menu bar and clicks the item, as a person does.
void clickMenuItem(pList& w, QAction* item) {
    QMenuBar* bar = w.menuBar();
    QTest::mouseClick(w.windowHandle(), Qt::LeftButton, {},
                      bar->mapTo(&w, bar->actionGeometry(w.File->menuAction()).center()));
    QVERIFY(QTest::qWaitForWindowExposed(w.File));
    QTest::mouseClick(w.File->windowHandle(), Qt::LeftButton, {},
                      w.File->actionGeometry(item).center());
}

} // namespace

class tst_export : public QObject {
    Q_OBJECT

private slots:
    void initTestCase() {
        ImportWindow::setHome(m_home.path()); // no mail programs; documents under this home
        m_documents = QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation);
        QVERIFY(QDir().mkpath(m_documents));
    }
    void cleanup() { QLocale::setDefault(QLocale::c()); }

    // selected: the list entry chosen first ("" none); answer: to the chosen-or-all
    // question; existing: the file there before ("" none); written: the names in
    // the file afterwards; told: the closing message.
    void menu_data() {
        QTest::addColumn<QString>("selected");
        QTest::addColumn<MsgBox::Answer>("answer");
        QTest::addColumn<QString>("existing");
        QTest::addColumn<bool>("replace");
        QTest::addColumn<QStringList>("written");
        QTest::addColumn<QString>("told");
        const QStringList all = {"Ann Lee", "Bob", "Bob", ""};
        QTest::newRow("none chosen: all, nameless too")
            << "" << MsgBox::Answer::Ok << "" << true << all << "4 contacts were written to ";
        QTest::newRow("chosen: the chosen ones")
            << "Bob" << MsgBox::Answer::Yes << "" << true << QStringList{"Bob", "Bob"}
            << "2 contacts were written to ";
        QTest::newRow("chosen: all of the list")
            << "Bob" << MsgBox::Answer::No << "" << true << all << "4 contacts were written to ";
        QTest::newRow("chosen: cancelled")
            << "Bob" << MsgBox::Answer::Cancel << "" << true << QStringList{} << "";
        QTest::newRow("existing file replaced after the question")
            << "" << MsgBox::Answer::Ok << "old" << true << all << "4 contacts were written to ";
        QTest::newRow("existing file kept when not replaced")
            << "" << MsgBox::Answer::Ok << "old" << false << QStringList{"old"} << "";
        QTest::newRow("failed write leaves the old file")
            << "" << MsgBox::Answer::Ok << "old long" << true << QStringList{"old"}
            << "The contacts could not be written to ";
    }
    void menu() {
        QFETCH(QString, selected);
        QFETCH(MsgBox::Answer, answer);
        QFETCH(QString, existing);
        QFETCH(bool, replace);
        QFETCH(QStringList, written);
        QFETCH(QString, told);
        Harness h;
        pList& w = h.startWith({{"Bob"}, {"Ann Lee", "Lee Ltd"}, {"Bob"}, {"", "Nameless Ltd"}});
        h.select(selected.isEmpty() ? h.entries().value(0) : selected);
        if (selected.isEmpty())
            w.List1->setListIndex(-1);
        // The item follows the import's in the File menu.
        const QList<QAction*> items = w.File->actions();
        QCOMPARE(items.value(items.indexOf(w.mnuGetOLC) + 1), w.mnuExport);
        QCOMPARE(w.mnuExport->text(), QString("E&xport Contacts..."));

        // A name longer than a folder can hold with the temporary name beside it.
        const QString target =
            m_documents + u'/' + (existing.contains("long") ? QString(250, u'x') : "out") + ".vcf";
        QFile::remove(target);
        if (!existing.isEmpty()) {
            QFile old(target);
            QVERIFY(old.open(QIODevice::WriteOnly));
            old.write(ImportWindow::card("old"));
        }
        MsgBox::setNextAnswer(answer);
        SaveDialog dialog(target, replace);
        clickMenuItem(w, w.mnuExport);

        const QList<MsgBox::Shown> shown = MsgBox::shown();
        if (!selected.isEmpty()) {
            QVERIFY(!shown.isEmpty());
            QCOMPARE(shown[0].text, QString("Which contacts are to be exported?\r\n\r\n"
                                            "Yes: the 2 chosen contacts\r\n"
                                            "No: all 4 contacts of the list"));
        }
        if (answer != MsgBox::Answer::Cancel) {
            QCOMPARE(dialog.startedIn, m_documents);
            QCOMPARE(dialog.suggested, QString("Quillary.vcf"));
            QCOMPARE(dialog.askedToReplace, !existing.isEmpty());
        }
        QCOMPARE(sorted(namesIn(target)), sorted(written));
        QCOMPARE(QDir(m_documents).entryList(QDir::Files).size(), QFile::exists(target) ? 1 : 0);
        if (told.isEmpty()) {
            QCOMPARE(shown.size(), selected.isEmpty() ? 0 : 1);
        } else {
            QVERIFY2(shown.back().text.startsWith(told + '"' + target + '"'),
                     qPrintable(shown.back().text));
            QCOMPARE(shown.back().icon,
                     told.startsWith("The") ? MsgBox::Icon::Critical : MsgBox::Icon::Information);
        }
        QFile::remove(target);
    }

    // Thousands of contacts show the import's progress window; the count is told
    // in the user's number format.
    void thousands() {
        QLocale::setDefault(QLocale(QLocale::German, QLocale::Germany));
        Harness h;
        pList& w =
            h.startWith({}, "WITH RECURSIVE n(i) AS (SELECT 1 UNION ALL SELECT i + 1 FROM n "
                            "WHERE i < 2100) INSERT INTO pName2 (pName) SELECT 'P' || i FROM n");
        w.List1->setListIndex(-1);
        const QString target = m_documents + "/many.vcf";
        SaveDialog dialog(target, true);
        const ImportWindow::ProgressWatch watch;
        w.mnuExport->trigger();
        QVERIFY(watch.shown);
        QCOMPARE(MsgBox::last().text, "2.100 contacts were written to \"" + target + "\".");
        QCOMPARE(namesIn(target).size(), 2100);
        QFile::remove(target);
    }

    // Random contacts exported from one list and imported into an empty one
    // through the windows come back field for field; vobject reads the same file.
    void roundTripThroughTheWindows() {
        QRandomGenerator r(20261208);
        const int count = Cards::roundTripCount(40);
        const QStringList extra = {"Web Page", "Spouse"};
        Harness h;
        h.folder.install("plist.ini");
        for (const QString list : {"Quillary.mdb", "Empty.mdb"}) {
            h.folder.addList(list);
            for (const QString& c : extra)
                h.exec(list, ("ALTER TABLE pName2 ADD COLUMN \"" + c + "\" TEXT").toUtf8());
        }
        QList<QStringList> rows;
        for (int i = 0; i < count; ++i) {
            const F f = Cards::randomContact(r, extra);
            QStringList row(f.values.begin(), f.values.end());
            const QHash<QString, QString> extras(f.extra.begin(), f.extra.end());
            for (const QString& c : extra)
                row << extras.value(c);
            rows << row;
        }
        {
            Database db(h.folder.file("Quillary.mdb"));
            SQLite::Transaction tx(db.handle());
            SQLite::Statement q(db.handle(),
                                "INSERT INTO pName2 VALUES (?,?,?,?,?,?,?,?,?,?,?,?,?,?)");
            for (const QStringList& row : rows) {
                for (int i = 0; i < row.size(); ++i)
                    q.bind(i + 1, row[i].toStdString());
                q.exec();
                q.reset();
            }
            tx.commit();
        }
        pList& w = h.start();
        w.List1->setListIndex(-1);
        QTemporaryDir store;
        const QString target = store.path() + "/Personal Folders/Contacts/list.vcf";
        QVERIFY(QDir().mkpath(QFileInfo(target).path()));
        {
            SaveDialog dialog(target, true);
            w.mnuExport->trigger();
        }
        QVERIFY(QFile::exists(target));

        QVERIFY(w.openList("Empty.mdb"));
        modOutLook::setStoreRootForTesting(store.path());
        frmContacts* form = ImportWindow::open(w);
        QVERIFY(form);
        QCOMPARE(form->lstContacts->count(), count);
        form->lstContacts->selectAll();
        Harness::click(form->cmdAdd2phonebook);
        ImportWindow::close();
        QCOMPARE(MsgBox::last().text, QString("All selected contacts were added!"));
        QCOMPARE(h.stored("Empty.mdb"), rows);

        const QJsonArray reference = Cards::vobjectRead(target);
        QCOMPARE(reference.size(), count);
        for (int i = 0; i < count; ++i) {
            const QJsonObject card = reference[i].toObject();
            QCOMPARE(card.value("FN").toArray().at(0).toString(), rows[i][F::Name]);
            QCOMPARE(card.value("NOTE").toArray().at(0).toString(),
                     Cards::asReferenceReads(rows[i][F::Notes]));
        }
        qInfo("%d contacts went out and came back", count);
    }

    // Every real card imported through the window, one field changed in the
    // list, written by the command line: each card keeps every other property
    // line of its original, none twice; the command's errors go to standard error.
    void keptCardsAndTheCommand() {
        Harness h;
        QTemporaryDir store;
        const QString folder = store.path() + "/Personal Folders/Contacts";
        QVERIFY(QDir().mkpath(folder));
        QStringList originals;
        for (const QString& f : QDir(kCorpusDir).entryList({"*.vcf"}, QDir::Files)) {
            QVERIFY(QFile::copy(kCorpusDir + u'/' + f, folder + u'/' + f));
            for (const ContactCard& c : VCardReader::readFile(folder + u'/' + f))
                if (c.isContact() && !c.displayValue.isEmpty())
                    originals << QString::fromUtf8(c.text);
        }
        pList& w = h.startWith({});
        modOutLook::setStoreRootForTesting(store.path());
        frmContacts* form = ImportWindow::open(w);
        QVERIFY(form);
        form->lstContacts->selectAll();
        Harness::click(form->cmdAdd2phonebook);
        ImportWindow::close();
        w.close();
        h.exec("Quillary.mdb", "UPDATE pName2 SET pPhone = '+1 555 0100 ' || rowid");
        // The list keeps each contact's card as it came.
        QStringList kept;
        QList<QByteArray> keptBytes;
        SQLite::Database db(h.folder.file("Quillary.mdb").toStdString());
        for (SQLite::Statement q(db, "SELECT card FROM ContactCards ORDER BY contact");
             q.executeStep();)
            kept << QString::fromUtf8(keptBytes.emplace_back(
                static_cast<const char*>(q.getColumn(0).getBlob()), q.getColumn(0).getBytes()));
        QCOMPARE(sorted(kept), sorted(originals));

        QProcess p;
        const auto run = [&](const QStringList& args) {
            p.start(QUILLARY_PROGRAM, QStringList{"--folder", h.folder.path()} + args);
            return p.waitForFinished(60000) ? p.exitCode() : -1;
        };
        const QString out = store.path() + "/out.vcf";
        QCOMPARE(run({"--export-vcard", out}), 0);
        QCOMPARE(p.readAllStandardOutput(), QByteArray::number(originals.size()) +
                                                " contacts written to " + out.toUtf8() + '\n');
        const QList<ContactCard> exported = VCardReader::readFile(out);
        QCOMPARE(exported.size(), originals.size());
        for (qsizetype i = 0; i < exported.size(); ++i) {
            QCOMPARE(exported[i].fields[F::Phone], "+1 555 0100 " + QString::number(i + 1));
            QCOMPARE(exported[i].uid.isEmpty(), false);
            if (QString::fromUtf8(keptBytes[i]).toUtf8() != keptBytes[i]) {
                // A card in another character set goes out in UTF-8, reading the same.
                F fields = VCardReader::readData(keptBytes[i]).value(0).fields;
                fields[F::Phone] = exported[i].fields[F::Phone];
                QCOMPARE(exported[i].fields, fields);
                continue;
            }
            const QStringList before = Cards::propertyLines(keptBytes[i]);
            const QStringList after = Cards::propertyLines(exported[i].text);
            const QStringList gone = Cards::minus(before, after);
            const QStringList added = Cards::minus(after, before);
            for (const QString& line : gone + added)
                QVERIFY2(QStringList({"TEL", "UID"}).contains(Cards::propertyName(line)),
                         qPrintable(line));
            QVERIFY2(gone.size() <= 1 && added.size() <= 2, qPrintable(added.join('\n')));
        }
        // The same UIDs on the next export.
        QCOMPARE(run({"--export-vcard", out + "2", "--list", "Quillary"}), 0);
        QStringList first, second;
        for (const ContactCard& c : exported)
            first << c.uid;
        for (const ContactCard& c : VCardReader::readFile(out + "2"))
            second << c.uid;
        QCOMPARE(second, first);
        // Each card goes out as readable by the outside reference as it came in.
        QStringList files;
        for (qsizetype i = 0; i < exported.size(); ++i) {
            for (const auto& [name, text] :
                 {std::pair{QString("in%1.vcf"), keptBytes[i]}, {"out%1.vcf", exported[i].text}}) {
                QFile f(store.filePath(name.arg(i)));
                QVERIFY(f.open(QIODevice::WriteOnly));
                f.write(text);
                files << f.fileName();
            }
        }
        const QJsonArray read = Cards::vobjectReadEach(files);
        QCOMPARE(read.size(), files.size());
        int readable = 0;
        for (qsizetype i = 0; i < exported.size(); ++i) {
            if (!read[2 * i].isNull()) {
                QVERIFY2(!read[2 * i + 1].isNull(), exported[i].text.constData());
                ++readable;
            }
        }
        QVERIFY(readable > exported.size() / 2);

        const struct {
            QStringList args;
            QByteArray error;
        } failures[] = {
            {{"--export-vcard", out, "--list", "Nope"}, "there is no list"},
            {{"--export-vcard", store.path() + "/gone/x.vcf"}, "could not be written to"},
            {{"--export-vcard"}, "Missing value after"},
        };
        for (const auto& f : failures) {
            QVERIFY(run(f.args) != 0);
            QVERIFY2(p.readAllStandardError().contains(f.error), f.error.constData());
            QVERIFY(p.readAllStandardOutput().isEmpty());
        }
    }

private:
    QTemporaryDir m_home;
    QString m_documents;
};

QTEST_MAIN(tst_export)
#include "tst_export.moc"
