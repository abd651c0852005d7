#include "platform/MsgBox.h"

#include <QtTest>

using MsgBox::Answer;
using MsgBox::Buttons;
using MsgBox::Icon;

Q_DECLARE_METATYPE(MsgBox::Answer)
Q_DECLARE_METATYPE(MsgBox::Buttons)

class tst_MsgBox : public QObject {
    Q_OBJECT
private slots:
    void init() {
        MsgBox::setScripted(true);
        MsgBox::clearShown();
    }
    void cleanup() { MsgBox::setScripted(true); }

    void defaultButton_data() {
        QTest::addColumn<Buttons>("buttons");
        QTest::addColumn<int>("given"); // -1: none given
        QTest::addColumn<Answer>("expected");
        QTest::newRow("OK") << Buttons::Ok << -1 << Answer::Ok;
        QTest::newRow("OK/Cancel, first") << Buttons::OkCancel << -1 << Answer::Ok;
        QTest::newRow("OK/Cancel, Cancel default")
            << Buttons::OkCancel << int(Answer::Cancel) << Answer::Cancel;
        QTest::newRow("Yes/No/Cancel, No default")
            << Buttons::YesNoCancel << int(Answer::No) << Answer::No;
        QTest::newRow("Yes/No, first") << Buttons::YesNo << -1 << Answer::Yes;
        QTest::newRow("default not in the set")
            << Buttons::YesNo << int(Answer::Cancel) << Answer::Yes;
        QTest::newRow("Retry/Cancel") << Buttons::RetryCancel << -1 << Answer::Retry;
    }
    void defaultButton() {
        QFETCH(Buttons, buttons);
        QFETCH(int, given);
        QFETCH(Answer, expected);
        const Answer a = given < 0 ? MsgBox::show("t", buttons, Icon::None)
                                   : MsgBox::show("t", buttons, Icon::None, QString(),
                                                  static_cast<Answer>(given));
        QCOMPARE(a, expected);
        QCOMPARE(MsgBox::last().defaultButton, expected);
    }

    void scriptedAnswersInOrder() {
        MsgBox::setNextAnswer(Answer::Cancel);
        MsgBox::setNextAnswer(Answer::Ok);
        QCOMPARE(MsgBox::show("1", Buttons::OkCancel, Icon::Question, "T", Answer::Cancel),
                 Answer::Cancel);
        QCOMPARE(MsgBox::show("2", Buttons::OkCancel, Icon::Question, "T", Answer::Cancel),
                 Answer::Ok);
        // Queue used up: the default button again.
        QCOMPARE(MsgBox::show("3", Buttons::OkCancel, Icon::Question, "T", Answer::Cancel),
                 Answer::Cancel);
    }

    void answerOutsideTheSetFallsBackToDefault() {
        MsgBox::setNextAnswer(Answer::Yes);
        MsgBox::setNextAnswer(Answer::Ok);
        QCOMPARE(MsgBox::show("a", Buttons::OkCancel, Icon::None, QString(), Answer::Cancel),
                 Answer::Cancel);
        // The refused answer was used up; the next one is the queued OK.
        QCOMPARE(MsgBox::show("b", Buttons::OkCancel), Answer::Ok);
    }

    void settingScriptedAgainForgetsQueuedAnswers() {
        MsgBox::setNextAnswer(Answer::Cancel);
        MsgBox::setScripted(true);
        QCOMPARE(MsgBox::show("x", Buttons::OkCancel), Answer::Ok);
    }

    void title_data() {
        QTest::addColumn<QString>("title");
        QTest::addColumn<QString>("shown");
        QTest::newRow("null") << QString() << "Quillary";
        QTest::newRow("empty") << QString("") << "";
        QTest::newRow("own") << "Delete a Contact"
                             << "Delete a Contact";
    }
    void title() {
        QFETCH(QString, title);
        QFETCH(QString, shown);
        MsgBox::show("text", Buttons::Ok, Icon::Information, title);
        QCOMPARE(MsgBox::last().title, shown);
        QCOMPARE(MsgBox::last().title.isNull(), false);
        QCOMPARE(MsgBox::applicationTitle(), QStringLiteral("Quillary"));
    }

    void recordsEveryBox() {
        MsgBox::show("Delete Ann??", Buttons::OkCancel, Icon::Question, "Delete a Contact",
                     Answer::Cancel);
        MsgBox::show("*70 Permission denied", Buttons::Ok, Icon::Critical);
        MsgBox::show("done");
        const QList<MsgBox::Shown> all = MsgBox::shown();
        QCOMPARE(all.size(), 3);
        QCOMPARE(all[0].text, QStringLiteral("Delete Ann??"));
        QCOMPARE(all[0].title, QStringLiteral("Delete a Contact"));
        QCOMPARE(all[0].icon, Icon::Question);
        QCOMPARE(all[0].buttons, Buttons::OkCancel);
        QCOMPARE(all[0].defaultButton, Answer::Cancel);
        QCOMPARE(all[1].text, QStringLiteral("*70 Permission denied"));
        QCOMPARE(all[1].icon, Icon::Critical);
        QCOMPARE(all[1].buttons, Buttons::Ok);
        QCOMPARE(all[2].icon, Icon::None);
        QCOMPARE(all[2].title, QStringLiteral("Quillary"));
        QCOMPARE(MsgBox::last().text, QStringLiteral("done"));
        MsgBox::clearShown();
        QVERIFY(MsgBox::shown().isEmpty());
        QVERIFY(MsgBox::last().text.isEmpty());
    }
};

QTEST_MAIN(tst_MsgBox)
#include "tst_msgbox.moc"
