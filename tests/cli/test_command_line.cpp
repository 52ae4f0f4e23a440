// Both programs' command lines: --help and --version answer without a display, bad
// arguments are refused with exit code 2, and Qt's own window options pass through.
#include "tests/support/ToolRun.h"
#include "cli/CommandLine.h"

#include <QProcess>
#include <csignal>
#include <QtTest>

namespace {

// Runs a built program as a terminal without a display would.
ToolRun run(const QString& program, const QStringList& arguments)
{
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    for (const char* name : {"DISPLAY", "WAYLAND_DISPLAY", "QT_QPA_PLATFORM"}) env.remove(name);
    QProcess p;
    p.setProcessEnvironment(env);
    p.start(program, arguments);
    return finish(p, 20000);
}

} // namespace

class TestCommandLine : public QObject {
    Q_OBJECT

private slots:
    void initTestCase()
    {
        QCoreApplication::setApplicationName("vk742b-config");
        QCoreApplication::setApplicationVersion(VK742B_VERSION);
    }

    void helpAndVersionNeedNoDisplay_data()
    {
        QTest::addColumn<QString>("path");
        QTest::addColumn<QString>("name");
        QTest::newRow("tool") << QString(VK_CONFIG_PATH) << QString("vk742b-config");
        QTest::newRow("stand-in") << QString(VK_SIM_PATH) << QString("vk742b-sim");
    }

    void helpAndVersionNeedNoDisplay()
    {
        QFETCH(QString, path);
        QFETCH(QString, name);
        for (const char* option : {"--version", "-v"}) {
            const ToolRun version = run(path, {option});
            QCOMPARE(version.code, 0);
            QCOMPARE(version.out, name + " " VK742B_VERSION "\n");
            QCOMPARE(version.err, QString());
        }
        for (const char* option : {"--help", "-h"}) {
            const ToolRun help = run(path, {option});
            QCOMPARE(help.code, 0);
            // The manual page is made from this text: it must be on stdout, name the program
            // plainly and list every option.
            QVERIFY2(help.out.startsWith("Usage: " + name + " "), qPrintable(help.out));
            QVERIFY(help.out.contains("--help") && help.out.contains("--version"));
            QCOMPARE(help.err, QString());
        }
    }

    void badArgumentsAreRefused()
    {
        ToolRun r = run(VK_SIM_PATH, {"--bogus"});
        QCOMPARE(r.code, 2);
        QVERIFY(r.err.contains("'--bogus'") && r.out.isEmpty());
        r = run(VK_SIM_PATH, {"--delay", "soon"});
        QCOMPARE(r.code, 2);
        QVERIFY(r.err.contains("'soon'"));
        r = run(VK_SIM_PATH, {"--link"});
        QCOMPARE(r.code, 2);

        // The tool judges what is left once Qt has taken its own options.
        r = run(VK_CONFIG_PATH, {"-platform", "offscreen", "--bogus"});
        QCOMPARE(r.code, 2);
        QVERIFY2(r.err.contains("bogus") && r.err.contains("--help"), qPrintable(r.err));
        // Without a display too, an unknown option is named, not taken for the window.
        r = run(VK_CONFIG_PATH, {"--bogus"});
        QCOMPARE(r.code, 2);
        QVERIFY2(r.err.contains("'bogus'") && !r.err.contains("display"), qPrintable(r.err));
        const auto extra = CommandLine::checkWindowArguments({"vk742b-config", "profile.json"});
        QVERIFY(extra && extra->exitCode == 2 && extra->err.contains("'profile.json'"));
        QVERIFY(!CommandLine::checkWindowArguments({"vk742b-config"}));
    }

    // Every command reads the port's speed and parity by the same rules.
    void lineOptionsAreReadAlikeByEveryCommand()
    {
        CommandLine::ProfileArguments profile;
        QVERIFY(!CommandLine::readProfileArguments(
            {"x", "--port", "p", "--baud", "19200", "--parity", "even", "read", "f.json"}, profile));
        QCOMPARE(profile.baud, 19200u);
        QCOMPARE(profile.parity, QString("Even"));
        CommandLine::ScanArguments scan;
        QVERIFY(!CommandLine::readScanArguments({"x", "--port", "p", "--parity", "ODD", "scan"}, scan));
        QCOMPARE(scan.baud, 9600u);
        QCOMPARE(scan.parity, QString("Odd"));
        for (const char* baud : {"0", "-9600", "fast", ""}) {
            const auto refused = CommandLine::readScanArguments({"x", "--port", "p", "--baud", baud, "scan"}, scan);
            QVERIFY(refused && refused->exitCode == 2);
            QVERIFY2(refused->err.contains("--baud takes a speed such as 9600"), qPrintable(refused->err));
        }
        const auto refused = CommandLine::readProfileArguments({"x", "--port", "p", "--parity", "Mark", "read", "f"}, profile);
        QVERIFY(refused && refused->err.contains("--parity takes None, Odd or Even, not 'Mark'"));
    }

    // An option given twice leaves no way to know which value was meant; an empty port is
    // no port. Both are refused before anything is opened.
    void repeatedOptionsAndAnEmptyPortAreRefused()
    {
        CommandLine::ProfileArguments profile;
        CommandLine::ScanArguments scan;
        const struct {
            QStringList arguments;
            const char* says;
        } cases[] = {
            {{"x", "--port", "a", "--port=b", "read", "f"}, "--port is given twice"},
            {{"x", "--port", "a", "--baud", "9600", "--baud", "19200", "write", "f"}, "--baud is given twice"},
            {{"x", "--port", "a", "--log", "l1", "--log", "l2", "scan"}, "--log is given twice"},
            {{"x", "--port", "a", "scan", "--timeout", "100", "--timeout", "200"}, "--timeout is given twice"},
            {{"x", "--port", "", "scan"}, "--port takes a port's name"},
            {{"x", "--port", "", "read", "f"}, "--port takes a port's name"},
        };
        for (const auto& c : cases) {
            const auto answer = c.arguments.contains("scan") ? CommandLine::readScanArguments(c.arguments, scan)
                                                             : CommandLine::readProfileArguments(c.arguments, profile);
            QVERIFY2(answer && answer->exitCode == 2, qPrintable(c.arguments.join(' ')));
            QVERIFY2(answer->err.contains(c.says), qPrintable(answer->err));
        }
    }

    // A port without a command: the refusal names every command.
    void aPortAloneListsEveryCommand()
    {
        const ToolRun r = run(VK_CONFIG_PATH, {"--port", "/dev/ttyS0"});
        QCOMPARE(r.code, 2);
        for (const char* command : {"read", "write", "compare", "scan", "monitor", "instrument", "regmap", "report"})
            QVERIFY2(r.err.contains(command), qPrintable(r.err));
        CommandLine::ProfileArguments profile;
        const auto noFile = CommandLine::readProfileArguments({"x", "--port", "p", "compare"}, profile);
        QVERIFY(noFile && noFile->err.contains("expected a FILE after compare"));
        const auto help = CommandLine::answerBeforeWindow({"x", "--help"});
        QVERIFY(help && help->out.section('\n', 0, 0).contains("| monitor | instrument ADDR | regmap | report]"));
    }

    // SIGTERM closes the window the way its close button does: the program ends normally.
    void theWindowClosesOnSigterm()
    {
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert("QT_QPA_PLATFORM", "offscreen");
        QTemporaryDir home;
        env.insert("XDG_CONFIG_HOME", home.path());
        QProcess p;
        p.setProcessEnvironment(env);
        p.start(VK_CONFIG_PATH, {});
        QVERIFY(p.waitForStarted());
        QVERIFY(!p.waitForFinished(1500)); // up and running
        ::kill(pid_t(p.processId()), SIGTERM);
        QVERIFY(p.waitForFinished(10000));
        QCOMPARE(p.exitStatus(), QProcess::NormalExit);
        QCOMPARE(p.exitCode(), 0);
    }

    // Without a display the window cannot start: one line and exit 2, never Qt's abort. A
    // mistyped command is refused, with or without a display.
    void noDisplayAndMistypedCommands()
    {
        ToolRun r = run(VK_CONFIG_PATH, {});
        QCOMPARE(r.code, 2);
        QCOMPARE(r.err.count('\n'), 1);
        QVERIFY2(r.err.contains("no display") && r.err.contains("--port"), qPrintable(r.err));
        r = run(VK_CONFIG_PATH, {"reed", "x.json"});
        QCOMPARE(r.code, 2);
        QVERIFY2(r.err.contains("unknown command 'reed'"), qPrintable(r.err));
        QProcess withDisplay;
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert("QT_QPA_PLATFORM", "offscreen");
        withDisplay.setProcessEnvironment(env);
        withDisplay.start(VK_CONFIG_PATH, {"reed", "x.json"});
        QVERIFY(withDisplay.waitForFinished(20000));
        QCOMPARE(withDisplay.exitCode(), 2);

        using CommandLine::wantsCommandLine;
        QVERIFY(wantsCommandLine({"vk742b-config", "reed"}));
        QVERIFY(wantsCommandLine({"vk742b-config", "--port=/dev/ttyUSB0"}));
        QVERIFY(wantsCommandLine({"vk742b-config", "-platform", "offscreen", "profile.json"}));
        QVERIFY(!wantsCommandLine({"vk742b-config", "-platform", "offscreen", "-style", "Fusion", "-reverse"}));
        QVERIFY(!wantsCommandLine({"vk742b-config", "--platform=offscreen"}));
        const QProcessEnvironment none;
        QVERIFY(CommandLine::checkDisplay(none, {"vk742b-config"}));
        QVERIFY(!CommandLine::checkDisplay(none, {"vk742b-config", "-platform", "offscreen"}));
        QProcessEnvironment x11;
        x11.insert("DISPLAY", ":0");
        QVERIFY(!CommandLine::checkDisplay(x11, {"vk742b-config"}));
    }

    void qtWindowOptionsPassThrough()
    {
        // Read as bundles of letters, "-reverse" would hold -v and "-stylesheet" -h.
        const QStringList qtOptions = {"vk742b-config", "-reverse", "-stylesheet", "dark.qss",
                                       "-platform", "offscreen"};
        QVERIFY(!CommandLine::answerBeforeWindow(qtOptions));
        const auto help = CommandLine::answerBeforeWindow(qtOptions + QStringList{"--help"});
        QVERIFY(help && help->exitCode == 0 && help->out.startsWith("Usage: vk742b-config "));
    }
};

QTEST_GUILESS_MAIN(TestCommandLine)
#include "test_command_line.moc"
