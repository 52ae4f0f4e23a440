// vk742b-config scan against the stand-in: one line per instrument, none for a silent
// address, the exit codes, and instruments' text made safe for a terminal.
#include "cli/ScanLine.h"
#include "tests/support/LogFile.h"
#include "tests/support/StandIn.h"
#include "tests/support/ToolRun.h"
#include "tests/support/WorkingMode.h"

#include <QElapsedTimer>

class TestScanCommand : public QObject {
    Q_OBJECT

private slots:
    // The whole of 0 to 15 at the default wait of 1 s, as a user runs it.
    void scanAtTheDefaultWait()
    {
        StandIn sim({"--status", "1:40"});
        QElapsedTimer clock;
        clock.start();
        const ToolRun r = runTool({"--port", sim.link, "scan"});
        const qint64 ms = clock.elapsed();
        qInfo("scan of polling addresses 0 to 15 at 1000 ms: %lld ms", ms);
        QVERIFY2(ms < 20000, qPrintable(QString::number(ms)));
        QCOMPARE(r.code, 0);
        const QStringList lines = r.out.split('\n', Qt::SkipEmptyParts);
        QCOMPARE(lines, QStringList({"0  manufacturer 0x26, device type 0x05, device ID 000001, HART 5, tag "
                                     "\"FT-101\", "
                                     "status: success",
                                     "1  manufacturer 0x11, device type 0x22, device ID 001234, HART 6, tag "
                                     "\"PT-201\", long "
                                     "tag \"Feed pump discharge pressure\", status: success; configuration changed",
                                     "2  manufacturer 0x4A, device type 0x81, device ID 0ABCDE, HART 5, tag "
                                     "\"TT-301\", "
                                     "status: success",
                                     "5  manufacturer 0x60A7, device type 0xE1A5, device ID 00A1B2, HART 7, tag "
                                     "\"LT-505\", "
                                     "long tag \"Buffer tank level\", status: success"}));
        QVERIFY(r.err.contains("[16/16] polling address 15\n"));
        QVERIFY(r.err.endsWith("vk742b-config: 4 of polling addresses 0 to 15 answered\n"));
    }

    void noInstrumentAnswered()
    {
        StandIn sim({"--drop", "100"});
        const ToolRun r = runTool({"--port", sim.link, "scan", "--to", "3", "--timeout", "100"});
        QCOMPARE(r.code, 0);
        QCOMPARE(r.out, QString());
        QCOMPARE(r.err.count("polling address"), 4);
        QVERIFY(r.err.endsWith("vk742b-config: no instrument answered\n"));
    }

    // Outside transparent mode the converter passes no HART frame on: a scan that found
    // nobody says which mode the converter is in.
    void aConverterInAModbusModeIsNamed()
    {
        StandIn sim;
        QVERIFY(setWorkingMode(sim.link, 1));
        const ToolRun r = runTool({"--port", sim.link, "scan", "--to", "1", "--timeout", "200"});
        QCOMPARE(r.code, 0);
        QCOMPARE(r.out, QString());
        QVERIFY2(r.err.endsWith("vk742b-config: no instrument answered: the converter is in MODBUS mode 1 (single "
                                "meter), not transparent mode; set working mode 0 to scan\n"),
                 qPrintable(r.err));
    }

    // --log: the header, then each frame the stand-in saw as sent and what came back.
    void aLogHoldsEveryFrame()
    {
        StandIn sim({"--verbose"});
        const QString path = sim.dir.filePath("scan.log");
        const ToolRun r = runTool({"--port", sim.link, "--log", path, "scan", "--to", "1", "--timeout", "300"});
        QCOMPARE(r.code, 0);
        const LogFile log(path);
        QVERIFY2(log.hasHeaderFor(sim.link), qPrintable(log.text));
        QTest::qWait(100);
        QCOMPARE(log.frames("TX"), sim.requestsSeen());
        QVERIFY(log.frames("TX") >= 4); // two polls and the first instrument's tags at least
        QVERIFY(log.frames("RX") >= 2);
    }

    void badArgumentsAndPortsExitWithTwo()
    {
        const struct {
            QStringList args;
            const char* says;
        } cases[] = {
            {{"scan"}, "--port PORT is needed."},
            {{"--port", "/dev/null", "scan", "--to", "64"}, "--to takes the last polling address, 0 to 63, not '64'"},
            {{"--port", "/dev/null", "scan", "--timeout", "0"}, "--timeout takes milliseconds"},
            {{"--port", "/dev/null", "scan", "--timeout", "soon"}, "not 'soon'"},
            {{"--port", "/dev/null", "scan", "extra"}, "scan takes no FILE"},
            {{"--port", "/dev/null", "--baud", "fast", "scan"}, "--baud takes a speed"},
            {{"--port", "/dev/null", "--log", "", "scan"}, "--log takes a file name"},
            {{"--port", "/dev/null", "--log", "/nonexistent/dir/scan.log", "scan"}, "cannot write the log"},
            {{"--port", "/nonexistent/tty", "scan"}, "cannot open /nonexistent/tty: No such file or directory\n"},
            {{"--port", "/dev/null", "scan"}, "cannot open /dev/null: Not a serial device\n"},
            {{"--port", "", "scan"}, "--port takes a port's name"},
            {{"--port", "/dev/null", "scan", "--to", "3", "--to=5"}, "--to is given twice"},
        };
        for (const auto& c : cases) {
            const ToolRun r = runTool(c.args);
            QCOMPARE(r.code, 2);
            QVERIFY2(r.err.contains(c.says), qPrintable(r.err));
            QCOMPARE(r.out, QString());
        }
    }

    void theStandInRefusesABadStatus()
    {
        for (const char* bad : {"5", "64:10", "5:1FF", "5:g1", "9:10"}) {
            QProcess sim;
            sim.start(VK_SIM_PATH, {"--link", "/nonexistent/link", "--status", bad});
            QVERIFY(sim.waitForFinished(5000));
            QCOMPARE(sim.exitCode(), 2);
            QVERIFY(sim.readAllStandardError().contains("--status"));
        }
    }

    // An instrument's tags are its own text: escapes cannot reach the terminal.
    void linesAreSafeAndSayWhatFailed()
    {
        HartScan::Found f;
        f.pollAddress = 7;
        f.identity = HartCommands::Identity{};
        f.identity->revision = 6;
        f.tag = QString("A\x1b]0;x\x07");
        f.longTag = QString("tank\nlevel");
        f.problems << "long tag: no answer";
        QCOMPARE(scanLine(f), QString("7  manufacturer 0x00, device type 0x00, device ID 000000, HART 6, tag "
                                      "\"A\\x1b]0;x\\x07\", long tag \"tank\\x0alevel\", status: success; long tag: "
                                      "no answer"));
        HartScan::Found garbled;
        garbled.pollAddress = 9;
        garbled.problems << "no identity: the reply's checksum does not match";
        QCOMPARE(scanLine(garbled), QString("9  no identity: the reply's checksum does not match"));
    }
};

QTEST_GUILESS_MAIN(TestScanCommand)
#include "test_scan_command.moc"
