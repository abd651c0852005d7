// SPDX-License-Identifier: GPL-3.0-or-later
// The command line where no display is: the program answers every option
// without the window system.
#include <QProcess>
#include <QRegularExpression>
#include <QtTest>

class tst_commandLine : public QObject {
    Q_OBJECT
private slots:
    void answersWithoutDisplay_data() {
        QTest::addColumn<QStringList>("arguments");
        QTest::addColumn<int>("status");
        // Patterns the standard output and the standard error must match.
        QTest::addColumn<QString>("out");
        QTest::addColumn<QString>("err");
        const QString none = QStringLiteral("^$");
        const QString options = QStringLiteral("--folder <dir>.*--help.*--version");
        const QString version = QStringLiteral("^Quillary \\d+\\.\\d+\\.\\d+\n$");
        QTest::newRow("--help") << QStringList{"--help"} << 0 << options << none;
        QTest::newRow("-h") << QStringList{"-h"} << 0 << options << none;
        QTest::newRow("--version") << QStringList{"--version"} << 0 << version << none;
        QTest::newRow("-v") << QStringList{"-v"} << 0 << version << none;
        QTest::newRow("--help beside others")
            << QStringList{"--folder", "x", "--version", "--help"} << 0 << options << none;
        QTest::newRow("the window system's options")
            << QStringList{"-platform", "offscreen", "--style=fusion", "-v"} << 0 << version
            << none;
        QTest::newRow("unknown option")
            << QStringList{"--bogus"} << 1 << none << "Unknown option 'bogus'.*--help";
        QTest::newRow("unknown beside --help")
            << QStringList{"--help", "-x"} << 1 << none << "Unknown option 'x'";
        QTest::newRow("an argument") << QStringList{"extra"} << 1 << none << "'extra'";
        QTest::newRow("--folder without its folder")
            << QStringList{"--folder"} << 1 << none << "--folder";
    }
    void answersWithoutDisplay() {
        QFETCH(QStringList, arguments);
        QProcess program;
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        for (const char* name : {"DISPLAY", "WAYLAND_DISPLAY", "QT_QPA_PLATFORM"})
            environment.remove(QString::fromLatin1(name));
        program.setProcessEnvironment(environment);
        program.start(QStringLiteral(QUILLARY_DATA_BUILD_DIR "/../app/quillary"), arguments);
        QVERIFY(program.waitForFinished(30000));
        const QString printed = QString::fromLocal8Bit(program.readAllStandardOutput());
        const QString complained = QString::fromLocal8Bit(program.readAllStandardError());
        QCOMPARE(program.exitStatus(), QProcess::NormalExit);
        QTEST(program.exitCode(), "status");
        QFETCH(QString, out);
        QFETCH(QString, err);
        const auto matches = [](const QString& pattern, const QString& text) {
            return QRegularExpression(pattern, QRegularExpression::DotMatchesEverythingOption)
                .match(text)
                .hasMatch();
        };
        QVERIFY2(matches(out, printed), qPrintable(printed));
        QVERIFY2(matches(err, complained), qPrintable(complained));
    }
};

QTEST_GUILESS_MAIN(tst_commandLine)
#include "tst_commandline.moc"
