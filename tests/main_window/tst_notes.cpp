#include "platform/NoteBox.h"
#include "support/Harness.h"

#include <QClipboard>
#include <QRegularExpression>
#include <QTextBoundaryFinder>

namespace {
// A note far longer than anyone types: `unit` repeated to `length` characters.
QString repeated(const QString& unit, int length) {
    QString text;
    while (text.size() < length)
        text += unit;
    return text;
}

int codePoints(const QString& text) {
    return int(text.toUcs4().size());
}

int characters(const QString& text) {
    QTextBoundaryFinder finder(QTextBoundaryFinder::Grapheme, text);
    int count = 0;
    while (finder.toNextBoundary() != -1)
        ++count;
    return count;
}

// The empty lines a text has: between two line breaks, or at its start or end
// next to one.
int emptyLines(const QString& text) {
    int count = 0;
    for (qsizetype i = 0; i <= text.size(); ++i)
        count += (i == 0 || text[i - 1] == '\n') && (i == text.size() || text[i] == '\n');
    return count;
}

QString stored(const Harness& h) {
    return h.stored().value(0).value(11);
}
} // namespace

class tst_notes : public QObject {
    Q_OBJECT
private slots:
    void longNoteEditedLineByLine_data();
    void longNoteEditedLineByLine();
};

// A contact with a long note is selected; from the keyboard, one step is done
// at every line the notes box shows, bottom to top. What each step selects or
// deletes is one character wherever the line begins, the box shows an empty
// line only where the note has one, and the stored note is the one shown, line
// breaks where the user put them.
void tst_notes::longNoteEditedLineByLine_data() {
    QTest::addColumn<QString>("note");
    QTest::addColumn<QString>("step");
    const QStringList all = {"select back", "select on",    "backspace",  "delete",
                             "enter",       "paste",        "undo",       "cut, undo",
                             "clear lines", "triple click", "end, enter", "cut lines",
                             "double click"};
    // A character of two code units, or of a letter and an accent, is never
    // cut in two: the box shows and selects it whole.
    const QList<std::tuple<const char*, QString, QStringList>> notes = {
        {"digits", repeated("0123456789", 10000), all},
        {"lines", repeated("a short line\n" + QString(9000, 'x') + '\n', 10000) + "the end", all},
        {"words", repeated("many words in a long note, ", 10000), {"select on", "enter"}},
        {"accents", repeated(QString::fromUtf8("e\xCC\x81x"), 10000), {"select on"}},
    };
    for (const auto& [name, note, steps] : notes)
        for (const QString& step : steps)
            QTest::addRow("%s, %s", name, qPrintable(step)) << note << step;
}

void tst_notes::longNoteEditedLineByLine() {
    QFETCH(QString, note);
    QFETCH(QString, step);
    Harness h;
    pList& w = h.startWith({{"Ann", "", "", "", "", "", "", "", "", "", "", note}});
    h.select("Ann");
    QWindow* window = w.windowHandle();
    const auto click = [&](QWidget* c) {
        QTest::mouseClick(window, Qt::LeftButton, {}, c->mapTo(&w, c->rect().center()));
    };
    click(w.Text5);
    QCOMPARE(QApplication::focusWidget(), w.Text5);
    const auto key = [&](Qt::Key k, Qt::KeyboardModifiers m = {}) {
        QTest::keyClick(window, k, m);
    };
    const auto copied = [&] {
        key(Qt::Key_C, Qt::ControlModifier);
        return QGuiApplication::clipboard()->text();
    };

    if (step == "cut, undo") {
        key(Qt::Key_A, Qt::ControlModifier);
        key(Qt::Key_X, Qt::ControlModifier);
        QCOMPARE(QGuiApplication::clipboard()->text(), note);
        key(Qt::Key_Z, Qt::ControlModifier);
        click(w.smdSave);
        QCOMPARE(stored(h), note);
        return;
    }
    if (step == "double click") {
        const QPoint middle = w.Text5->mapTo(&w, w.Text5->rect().center());
        QTest::mouseDClick(window, Qt::LeftButton, {}, middle);
        QVERIFY(note.split(QRegularExpression("\\W+")).contains(copied()));
        return;
    }
    if (step == "triple click") {
        const QPoint middle = w.Text5->mapTo(&w, w.Text5->rect().center());
        QTest::mouseDClick(window, Qt::LeftButton, {}, middle);
        QTest::mouseClick(window, Qt::LeftButton, {}, middle);
        // A whole line, with its line break when it has one.
        QString line = copied();
        if (line.endsWith('\n'))
            line.chop(1);
        QVERIFY(note.split('\n').contains(line));
        return;
    }
    if (step == "cut lines") {
        // From the start of the second line shown to three lines before the end.
        key(Qt::Key_Home, Qt::ControlModifier);
        key(Qt::Key_Down);
        key(Qt::Key_Home, Qt::ControlModifier | Qt::ShiftModifier);
        const qsizetype first = copied().size();
        key(Qt::Key_Home, Qt::ControlModifier);
        key(Qt::Key_Down);
        key(Qt::Key_End, Qt::ControlModifier | Qt::ShiftModifier);
        for (int i = 0; i < 3; ++i)
            key(Qt::Key_Up, Qt::ShiftModifier);
        key(Qt::Key_X, Qt::ControlModifier);
        const QString cut = QGuiApplication::clipboard()->text();
        QCOMPARE(note.mid(first, cut.size()), cut);
        click(w.smdSave);
        QCOMPARE(stored(h), note.left(first) + note.mid(first + cut.size()));
        return;
    }
    if (step == "paste") {
        key(Qt::Key_A, Qt::ControlModifier);
        QCOMPARE(copied(), note);
        key(Qt::Key_End, Qt::ControlModifier);
        key(Qt::Key_V, Qt::ControlModifier);
        click(w.smdSave);
        QCOMPARE(stored(h), note + note);
        return;
    }
    const auto at = [&] { return w.Text5->textCursor().position(); };
    // Walks down the lines shown, counting those with nothing on them.
    const auto emptyLinesShown = [&] {
        key(Qt::Key_Home, Qt::ControlModifier);
        int empty = 0;
        int line = at();
        for (key(Qt::Key_Down); at() != line; key(Qt::Key_Down)) {
            empty += at() - line == 1; // nothing but the line's end
            line = at();
        }
        key(Qt::Key_End);
        return empty + (at() == line);
    };

    // From the last line up to the second, each step starting at the line's
    // start; the next step is on the line above where the step left the cursor.
    key(Qt::Key_End, Qt::ControlModifier);
    key(Qt::Key_Home);
    int steps = 0;
    for (int start = at(); start > 0; start = at(), ++steps) {
        if (step == "select back") {
            key(Qt::Key_Left, Qt::ShiftModifier);
            const QString one = copied();
            QVERIFY2(characters(one) == 1 && !one.front().isMark(), qPrintable(one));
        } else if (step == "select on") {
            key(Qt::Key_Left);
            key(Qt::Key_Right, Qt::ShiftModifier);
            key(Qt::Key_Right, Qt::ShiftModifier);
            const QString two = copied();
            QVERIFY2(characters(two) == 2 && !two.front().isMark(), qPrintable(two));
        } else if (step == "backspace" || step == "undo") {
            key(Qt::Key_Backspace);
        } else if (step == "delete") {
            key(Qt::Key_Up);
            key(Qt::Key_End);
            key(Qt::Key_Delete);
        } else if (step == "enter") {
            key(Qt::Key_Return);
        } else if (step == "end, enter") {
            key(Qt::Key_Up);
            key(Qt::Key_End);
            key(Qt::Key_Return);
        } else if (step == "clear lines") {
            key(Qt::Key_End, Qt::ShiftModifier);
            key(Qt::Key_Delete);
        }
        key(Qt::Key_Home);
        // A line break typed at a line's start leaves an empty line above it.
        for (int up = 0; up < 2 && at() >= start; ++up) {
            key(Qt::Key_Up);
            key(Qt::Key_Home);
        }
        QVERIFY(at() < start);
    }
    QVERIFY(steps > 10);
    if (step == "clear lines") {
        key(Qt::Key_End, Qt::ShiftModifier);
        key(Qt::Key_Delete);
    }
    if (step == "undo") {
        for (QString shown; shown != w.Text5->note();) {
            shown = w.Text5->note();
            key(Qt::Key_Z, Qt::ControlModifier);
        }
    }
    const int empty = emptyLinesShown();
    click(w.smdSave);
    const QString now = stored(h);
    if (!step.startsWith(QLatin1String("select")))
        QCOMPARE(empty, emptyLines(now));
    if (step == "clear lines") {
        QCOMPARE(now, QString(note.count('\n'), '\n'));
    } else if (step == "backspace" || step == "delete") {
        QCOMPARE(codePoints(note) - codePoints(now), steps);

    } else if (step.endsWith(QLatin1String("enter"))) {
        QCOMPARE(now.count('\n'), note.count('\n') + steps);
        QCOMPARE(QString(now).remove('\n'), QString(note).remove('\n'));
    } else {
        QCOMPARE(now, note);
    }
}

QTEST_MAIN(tst_notes)
#include "tst_notes.moc"
