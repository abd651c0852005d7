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
        // What the standard output, or the standard error when the status is 1, says.
        QTest::addColumn<QString>("says");
        const QString options = QStringLiteral("^Usage: .*--folder <dir>.*--help.*--version");
        const QString version = QStringLiteral("^Quillary \\d+\\.\\d+\\.\\d+\n$");
        const auto row = [](const char* tag, QStringList arguments, int status, QString says) {
            QTest::newRow(tag) << arguments << status << says;
        };
        for (const char* option : {"--help", "-h"})
            row(option, {option}, 0, options);
        for (const char* option : {"--version", "-v"})
            row(option, {option}, 0, version);
        row("--help beside others", {"--folder", "x", "--version", "--help"}, 0, options);
        row("the window system's options", {"-platform", "offscreen", "--style=fusion", "-v"}, 0,
            version);
        row("unknown option", {"--bogus"}, 1, "Unknown option 'bogus'.*--help");
        row("unknown beside --help", {"--help", "-x"}, 1, "Unknown option 'x'");
        row("an argument", {"extra"}, 1, "'extra'");
        row("--folder without its folder", {"--folder"}, 1, "--folder");
    }
    void answersWithoutDisplay() {
        QFETCH(QStringList, arguments);
        QFETCH(int, status);
        QFETCH(QString, says);
        QProcess program;
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        for (const char* name : {"DISPLAY", "WAYLAND_DISPLAY", "QT_QPA_PLATFORM"})
            environment.remove(QString::fromLatin1(name));
        program.setProcessEnvironment(environment);
        program.start(QStringLiteral(QUILLARY_DATA_BUILD_DIR "/../app/quillary"), arguments);
        QVERIFY(program.waitForFinished(30000));
        const QString out = QString::fromLocal8Bit(program.readAllStandardOutput());
        const QString err = QString::fromLocal8Bit(program.readAllStandardError());
        QCOMPARE(program.exitStatus(), QProcess::NormalExit);
        QCOMPARE(program.exitCode(), status);
        const QRegularExpression pattern(says, QRegularExpression::DotMatchesEverythingOption);
        QVERIFY2(pattern.match(status ? err : out).hasMatch() && (status ? out : err).isEmpty(),
                 qPrintable(out + err));
    }
};

QTEST_GUILESS_MAIN(tst_commandLine)
#include "tst_commandline.moc"
