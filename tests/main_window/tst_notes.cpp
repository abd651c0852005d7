// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/NoteBox.h"
#include "support/Harness.h"

#include <QClipboard>
#include <QRandomGenerator>

namespace {
// What a plain text box holds, its paragraph breaks read as line breaks.
QString held(const QPlainTextEdit& box) {
    return box.document()->toRawText().replace(QChar::ParagraphSeparator, u'\n');
}

QString storedNote(const Harness& h, const QString& name) {
    for (const QStringList& row : h.stored())
        if (row.value(0) == name)
            return row.value(11);
    return "no contact " + name;
}

// A window and a box in it, driven through the window as a person would.
struct Target {
    QWidget* top;
    QPlainTextEdit* box;
    QWindow* window() const { return top->windowHandle(); }
    QPoint at(QPoint inViewport) const { return box->viewport()->mapTo(top, inViewport); }
};

// One action of the user. The same action runs on the notes box and on a
// plain text box; what it did reads in `what`.
struct Action {
    enum Kind { Key, Type, Commit, Paste, Double, Triple } kind;
    Qt::Key key = Qt::Key_unknown;
    Qt::KeyboardModifiers modifiers;
    QString text;
    QPoint point;

    QString what() const {
        static const char* kinds[] = {"key",   "type",         "commit",
                                      "paste", "double click", "triple click"};
        return QString("%1 %2 %3 chars at %4,%5")
            .arg(kinds[kind], QKeySequence(key | modifiers).toString())
            .arg(text.size())
            .arg(point.x())
            .arg(point.y());
    }

    void run(const Target& t) const {
        // A person works in the window in front.
        QApplication::setActiveWindow(t.top);
        QWindow* window = t.window();
        switch (kind) {
        case Key:
            return QTest::keyClick(window, key, modifiers);
        case Type:
            // One key for each character as the user sees it.
            for (const QString& c : text.split(u'|')) {
                QTest::sendKeyEvent(QTest::Press, window, Qt::Key_unknown, c, {});
                QTest::sendKeyEvent(QTest::Release, window, Qt::Key_unknown, c, {});
            }
            return;
        case Commit: {
            QInputMethodEvent commit;
            commit.setCommitString(text);
            QCoreApplication::sendEvent(window->focusObject(), &commit);
            return;
        }
        case Paste:
            QGuiApplication::clipboard()->setText(text);
            return QTest::keyClick(window, Qt::Key_V, Qt::ControlModifier);
        case Double:
        case Triple:
            QTest::mouseDClick(window, Qt::LeftButton, {}, t.at(point));
            if (kind == Triple)
                QTest::mouseClick(window, Qt::LeftButton, {}, t.at(point));
            return;
        }
    }
};

// Notes and texts to paste: short lines, and lines of 8,193 and 60,000
// characters with blanks and without, some of letters with accents.
class Texts {
public:
    explicit Texts(QRandomGenerator& random) : random_(random) {}

    int pick(int n) { return int(random_.bounded(n)); }
    template <class T> const T& pick(const QList<T>& from) { return from.at(pick(from.size())); }

    QString line(int length) {
        const QString unit = pick(QStringList{"x", "ab", "word ", "e\u0301", "\u6f22\u5b57 "});
        QString text;
        while (text.size() < length)
            text += unit;
        return text.left(length);
    }
    QString shortLines() {
        QStringList lines;
        for (int i = pick(6); i >= 0; --i)
            lines << line(pick(40));
        return lines.join(u'\n');
    }
    // Either picks one of the first four kinds of text; a clip also of three more.
    QString text(int kinds) {
        switch (pick(kinds)) {
        case 0:
            return shortLines();
        case 1:
            return line(8193);
        case 2:
            return line(60000);
        case 3:
            return kinds == 4 ? QString(4096, 'a') + QString(4097, 'b') : QString();
        case 4:
            return QStringLiteral("one\ntwo");
        case 5:
            return QStringLiteral("one\r\ntwo\r\n");
        default:
            return QStringLiteral("\n");
        }
    }
    QString note() {
        QStringList parts;
        for (int i = pick(3); i >= 0; --i)
            parts << text(4);
        return parts.join(u'\n');
    }
    QString clip() { return text(7); }

private:
    QRandomGenerator& random_;
};

// A point inside a rectangle of the box's text area.
QPoint randomPoint(Texts& t, QRect viewport) {
    return viewport.topLeft() +
           QPoint(2 + t.pick(viewport.width() - 4), 2 + t.pick(viewport.height() - 4));
}

Action randomAction(Texts& t, QRect viewport) {
    using M = Qt::KeyboardModifier;
    const QList<Qt::KeyboardModifiers> any = {
        {}, M::ShiftModifier, M::ControlModifier, M::ShiftModifier | M::ControlModifier};
    const auto key = [](Qt::Key k, Qt::KeyboardModifiers m = {}) {
        return Action{Action::Key, k, m, {}, {}};
    };
    const QStringList keys = {"a",      " ",      "\u00e9", "\u0301",     "\U0001F600",
                              "\u00a0", "\u6f22", "\u5b57", "e|\u0301|x", "\u00a0|b"};
    const int pick = t.pick(16);
    if (pick < 3)
        return key(t.pick(QList<Qt::Key>{Qt::Key_Left, Qt::Key_Right, Qt::Key_Up, Qt::Key_Down}),
                   t.pick(any));
    if (pick == 3)
        return key(t.pick(QList<Qt::Key>{Qt::Key_Home, Qt::Key_End}), t.pick(any));
    if (pick < 6)
        return {Action::Type, {}, {}, t.pick(keys), {}};
    if (pick == 6)
        return key(Qt::Key_Return);
    if (pick == 7)
        return key(t.pick(QList<Qt::Key>{Qt::Key_Backspace, Qt::Key_Delete}),
                   t.pick(QList<Qt::KeyboardModifiers>{{}, M::ControlModifier}));
    if (pick == 8)
        return key(t.pick(QList<Qt::Key>{Qt::Key_X, Qt::Key_C}), M::ControlModifier);
    if (pick == 9)
        return {Action::Paste, {}, {}, t.clip(), {}};
    if (pick == 10)
        return key(Qt::Key_A, M::ControlModifier);
    if (pick == 11)
        return t.pick(QList<Action>{key(Qt::Key_Z, M::ControlModifier),
                                    key(Qt::Key_Z, M::ControlModifier | M::ShiftModifier),
                                    key(Qt::Key_Y, M::ControlModifier)});
    if (pick < 14)
        return {pick == 12 ? Action::Double : Action::Triple, {}, {}, {}, randomPoint(t, viewport)};
    const QStringList commits = {"g\nd", "\n", "\u00e9", "\u6f22\u5b57", "a\nb\nc", "\U0001F600"};
    return {Action::Commit, {}, {}, t.pick(commits), {}};
}

// A plain text box of the same size and font as the notes box, in a window of
// its own where, as in the main window, the focus is elsewhere until a click.
// It is given the same notes in turn: how the box shows a text depends a
// little on the texts it showed before.
struct Reference {
    QWidget window;
    QPlainTextEdit plain{&window};
    QPushButton elsewhere{&window};

    explicit Reference(const QPlainTextEdit& like) {
        plain.setFont(like.font());
        plain.setVerticalScrollBarPolicy(like.verticalScrollBarPolicy());
        plain.resize(like.size());
        elsewhere.move(0, plain.height());
        window.show();
    }
};

// Runs `steps` actions of one seed on the notes box, showing the contact
// `name`, and on the reference box; then stores the note. Says where the two
// first differ, if they do.
QString divergence(Harness& h, Reference& r, const QString& name, int seed, int steps) {
    pList& w = *h.window;
    h.select(name);
    QRandomGenerator random(seed);
    Texts texts(random);
    const QString note = texts.note();
    QPlainTextEdit& plain = r.plain;
    plain.setWordWrapMode(w.Text5->wordWrapMode());
    plain.setPlainText(note);
    r.elsewhere.setFocus();
    const Target box{&w, w.Text5};
    const Target reference{&r.window, &plain};
    QStringList done;
    const auto failed = [&](const char* what) {
        return QString("seed %1: %2: %3").arg(seed).arg(done.join(", "), what);
    };
    if (w.Text5->note() != note)
        return failed("shown");
    QPoint lastClick;
    for (int i = 0; i < steps; ++i) {
        // Only where the main window shows the box can it be clicked.
        const QRect viewport = w.Text5->viewport()->visibleRegion().boundingRect();
        // Into the box first, then on from there.
        Action action = i == 0 ? Action{Action::Double, {}, {}, {}, randomPoint(texts, viewport)}
                               : randomAction(texts, viewport);
        // Clicks far apart, so that no click makes a triple click of the
        // double click before it.
        if (action.kind >= Action::Double) {
            if ((action.point - lastClick).manhattanLength() < 40)
                action.point = QPoint(4, lastClick.y() > 40 ? 4 : 64);
            lastClick = action.point;
        }
        done << action.what();
        plain.setWordWrapMode(w.Text5->wordWrapMode());
        action.run(box);
        const QString fromBox = QGuiApplication::clipboard()->text();
        action.run(reference);
        if (w.Text5->note() != held(plain))
            return failed("text");
        if (fromBox != QGuiApplication::clipboard()->text())
            return failed("clipboard");
    }
    Harness::click(w.smdSave);
    return storedNote(h, name) == held(plain) ? QString() : failed("stored");
}
} // namespace

class tst_notes : public QObject {
    Q_OBJECT
private slots:
    // Seeded sequences of the user's actions on the notes box of the main window
    // and on a plain text box: after every action both hold the same text and a
    // cut or copy gives the same, and Save Changes stores that text.
    // QUILLARY_MODEL_STEPS sets how many actions run in all.
    void editsAsAPlainBox() {
        constexpr int stepsPerNote = 30;
        constexpr int notesPerWindow = 10;
        const int steps = qEnvironmentVariableIntValue("QUILLARY_MODEL_STEPS");
        const int total = steps > 0 ? steps : 240;
        QStringList failures;
        int done = 0;
        // QUILLARY_MODEL_FIRST starts at a later window of notes, to see one again.
        const int start = qEnvironmentVariableIntValue("QUILLARY_MODEL_FIRST") / notesPerWindow;
        for (int first = start * notesPerWindow; done < total; first += notesPerWindow) {
            QList<QStringList> contacts;
            for (int seed = first; seed < first + notesPerWindow; ++seed) {
                QRandomGenerator random(seed);
                contacts << (QStringList{"Contact " + QString::number(seed)}
                             << QStringList(10, "") << Texts(random).note());
            }
            Harness h;
            h.startWith(contacts);
            Reference reference(*h.window->Text5);
            for (int seed = first; seed < first + notesPerWindow && done < total; ++seed) {
                const int now = qMin(stepsPerNote, total - done);
                const QString failure =
                    divergence(h, reference, contacts.at(seed - first).at(0), seed, now);
                if (!failure.isEmpty()) {
                    qWarning("%s", qPrintable(failure));
                    failures << QString::number(seed);
                }
                done += now;
            }
        }
        qInfo("%d actions, %d sequences differing", done, int(failures.size()));
        QVERIFY2(failures.isEmpty(), qPrintable("differing seeds: " + failures.join(", ")));
    }
    // What the box is given, it shows and stores unchanged until the user edits it;
    // a no-break space stays one, a line break ends a line however it was stored.
    void keepsWhatItWasGiven_data() {
        QTest::addColumn<QString>("note");
        QTest::addColumn<QString>("typed");
        QTest::addColumn<QString>("shown");
        QTest::addColumn<QString>("stored");
        const auto row = [](const char* tag, const QString& note, const QString& typed,
                            const QString& shown, const QString& stored) {
            QTest::newRow(tag) << note << typed << shown << stored;
        };
        const QString crlf = "first\r\nsecond\r\n", nbsp = "a\u00a0b";
        row("CR LF, unedited", crlf, "", "first\nsecond\n", crlf);
        row("CR LF, edited", crlf, "!", "first\nsecond\n!", "first\nsecond\n!");
        row("CR", "first\rsecond", "", "first\nsecond", "first\rsecond");
        row("no-break space", nbsp, "\u00a0", nbsp + "\u00a0", nbsp + "\u00a0");
    }
    void keepsWhatItWasGiven() {
        QFETCH(QString, note);
        QFETCH(QString, typed);
        QFETCH(QString, shown);
        QFETCH(QString, stored);
        Harness h;
        pList& w = h.startWith({QStringList{"Ann"} << QStringList(10, "") << note});
        h.window->List1->setListIndex(0);
        QWindow* window = w.windowHandle();
        Harness::click(w.Text5);
        QTest::keyClick(window, Qt::Key_End, Qt::ControlModifier);
        if (!typed.isEmpty()) {
            QTest::sendKeyEvent(QTest::Press, window, Qt::Key_unknown, typed, {});
            QTest::sendKeyEvent(QTest::Release, window, Qt::Key_unknown, typed, {});
        }
        QCOMPARE(w.Text5->note(), shown);
        QCOMPARE(w.Text5->document()->blockCount(), shown.count('\n') + 1);
        Harness::click(w.smdSave);
        QCOMPARE(h.stored().value(0).value(11), stored);
    }
};

QTEST_MAIN(tst_notes)
#include "tst_notes.moc"
