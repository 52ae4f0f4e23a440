// The monitor command: its arguments, and runs as a process against the stand-in: rows with
// both instruments' numbers, device slots decoded by the converter's own formats, a signal
// that ends the run after a whole row, and the exit codes of what cannot start.
#include "cli/MonitorArguments.h"
#include "tests/support/LogFile.h"
#include "tests/support/StandIn.h"
#include "tests/support/ToolRun.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QtTest>
#include <cmath>
#include <csignal>

namespace {

ToolRun monitor(const QString& port, const QStringList& arguments, int limitMs = 20000)
{
    return runTool(QStringList{"--port", port, "monitor"} + arguments, limitMs);
}

std::optional<CommandLine::Answer> read(const QStringList& arguments, MonitorArguments& out)
{
    return MonitorCommandLine::read(QStringList{"vk742b-config"} + arguments, out);
}

// The stand-in made a multi-slave converter at slave address 17 by the tool's own `write`:
// slots 0 and 2 on, their values in formats other than 0 (the current and variable 4 as
// swapped floats, variables 1 and 2 as Uint32, variable 3 as a swapped magnitude). Returns
// the profile's path, or an empty string when the write failed.
QString makeMultiSlave(StandIn& standIn)
{
    QFile full(QFINDTESTDATA("profile/full.json"));
    if (!full.open(QIODevice::ReadOnly)) return {};
    QJsonObject root = QJsonDocument::fromJson(full.readAll()).object();
    QJsonObject system = root["system"].toObject();
    system["rs232_rs485a"] = QJsonObject{{"baud", 9600}, {"parity", "None"}};
    root["system"] = system;
    QJsonObject modbus = root["modbus"].toObject();
    QJsonArray devices = modbus["devices"].toArray();
    for (int slot : {0, 2}) {
        QJsonObject device = devices[slot].toObject();
        device["enabled"] = true;
        device["formats"] = QJsonObject{{"current", "float_swapped"}, {"variable_1", "uint32"},
                                        {"variable_2", "uint32_swapped"}, {"variable_3", "absolute_swapped"},
                                        {"variable_4", "float_swapped"}};
        devices[slot] = device;
    }
    modbus["devices"] = devices;
    root["modbus"] = modbus;
    const QString path = standIn.dir.filePath("multi-slave.json");
    QFile out(path);
    if (!out.open(QIODevice::WriteOnly) || out.write(QJsonDocument(root).toJson()) <= 0) return {};
    out.close();
    QProcess write;
    write.start(VK_CONFIG_PATH, {"--port", standIn.link, "write", path});
    if (!write.waitForFinished(120000) || write.exitCode() != 0) return {};
    return path;
}

// Whether a row holds the stand-in's values for slots 0 and 2: the loop current swings
// between 8 and 16 mA, each variable within a few percent of its instrument's base value,
// the Uint32 ones rounded. Read by format 0, the same registers give numbers far off.
bool slotValuesAreRight(const QString& row)
{
    const double bases[2][4] = {{12.5, 25.0, 100.0, 0.5}, {85.0, 24.0, 358.15, 1.0}};
    const QStringList cells = row.split(',');
    if (cells.size() != 11) return false;
    for (int s = 0; s < 2; ++s) {
        const double current = cells[1 + 5 * s].toDouble();
        if (current < 7.9 || current > 16.1) return false;
        for (int v = 0; v < 4; ++v) {
            bool ok = false;
            const double value = cells[2 + 5 * s + v].toDouble(&ok);
            const double base = bases[s][v];
            const double slack = 0.03 * (base + 1) + (v < 2 ? 0.5 : 0);
            if (!ok || std::abs(value - base) > slack) return false;
        }
    }
    return true;
}

} // namespace

class TestMonitorCommand : public QObject {
    Q_OBJECT

private slots:
    void initTestCase() { QCoreApplication::setApplicationName("vk742b-config"); }

    void argumentsAreReadOrRefused()
    {
        MonitorArguments a;
        QVERIFY(!read({"--port", "/dev/ttyS0", "--baud", "19200", "monitor", "--slots", "0,2", "--formats", "1,3,4,0,2",
                       "--formats", "2:0,0,1,2,3", "--hart", "1", "--interval", "0", "--count", "5", "--csv", "x.csv"},
                      a));
        QCOMPARE(a.baud, 19200u);
        QCOMPARE(a.deviceSlots, (std::vector<int>{0, 2}));
        QCOMPARE(*a.allFormats, (RegisterFormat::SlotFormats{1, 3, 4, 0, 2}));
        QCOMPARE(a.slotFormats.at(2), (RegisterFormat::SlotFormats{0, 0, 1, 2, 3}));
        QCOMPARE(a.hart, std::vector<int>{1});
        QCOMPARE(a.intervalMs, 0);
        QCOMPARE(a.count, 5);
        QCOMPARE(a.csv, QString("x.csv"));
        MonitorArguments defaults;
        QVERIFY(!read({"--port", "p", "monitor", "--hart", "0"}, defaults));
        QCOMPARE(defaults.intervalMs, 1000);
        QCOMPARE(defaults.csv, QString("-"));
        QVERIFY(!defaults.slave);

        const struct {
            QStringList arguments;
            const char* says;
        } refused[] = {
            {{"monitor", "--hart", "0"}, "--port PORT is needed."},
            {{"--port", "p", "monitor"}, "name what to poll"},
            {{"--port", "p", "monitor", "--slots", "5"}, "--slots takes numbers from 0 to 4"},
            {{"--port", "p", "monitor", "--hart", "1,1"}, "--hart names 1 twice."},
            {{"--port", "p", "monitor", "--slots", "0", "--formats", "2,0,0,0,0"}, "the current takes a format from 0 to 1"},
            {{"--port", "p", "monitor", "--slots", "0", "--formats", "0,4,0,0,0"}, "the variable 1 takes a format from 0 to 3"},
            {{"--port", "p", "monitor", "--slots", "0", "--formats", "0,0,0"}, "five codes"},
            {{"--port", "p", "monitor", "--slots", "0", "--formats", "3:0,0,0,0,0"}, "slot 3, which --slots does not"},
            {{"--port", "p", "monitor", "--hart", "0", "--interval", "50"}, "--interval takes 0, or 100 to 3600000"},
            {{"--port", "p", "monitor", "--hart", "0", "--count", "0"}, "--count takes"},
            {{"--port", "p", "monitor", "--hart", "0", "--slave", "248"}, "--slave takes an address from 1 to 247"},
            {{"--port", "p", "monitor", "--hart", "0", "--parity", "Mark"}, "--parity takes None, Odd or Even"},
            {{"--port", "p", "monitor", "extra", "--hart", "0"}, "unexpected argument 'extra'"},
            {{"--port", "p", "monitor", "--hart", "0", "--bogus"}, "bogus"},
            {{"--port", "p", "monitor", "--slots", "0", "--formats", "0,0,0,0,\x1b[2J"}, "\\x1b[2J"},
            {{"--port", "p", "monitor", "--slots", "0", "--slots", "1"}, "--slots is given twice"},
            {{"--port", "p", "monitor", "--hart", "0", "--count=1", "--count", "2"}, "--count is given twice"},
            {{"--port", "p", "monitor", "--slots", "0", "--formats", "0,0,0,0,0", "--formats", "1,0,0,0,0"},
             "--formats F for every slot is given twice"},
            {{"--port", "p", "monitor", "--slots", "0", "--formats", "0:0,0,0,0,0", "--formats", "0:1,0,0,0,0"},
             "--formats names slot 0 twice"},
        };
        for (const auto& r : refused) {
            MonitorArguments out;
            const auto answer = read(r.arguments, out);
            QVERIFY2(answer && answer->exitCode == 2, qPrintable(r.arguments.join(' ')));
            QVERIFY2(answer->err.contains(QString::fromUtf8(r.says)), qPrintable(answer->err));
        }
        const auto help = read({"monitor", "--help"}, a);
        QVERIFY(help && help->exitCode == 0 && help->out.contains("--interval MS"));

        QVERIFY(MonitorCommandLine::requested({"x", "--port", "monitor", "read", "f.json"}) == false);
        QVERIFY(MonitorCommandLine::requested({"x", "--port", "/dev/ttyS0", "--baud", "9600", "monitor"}));
        QVERIFY(MonitorCommandLine::requested({"x", "monitor", "--help"}));
        QVERIFY(!MonitorCommandLine::requested({"x", "--port=monitor", "read", "f.json"}));
    }

    void bothInstrumentsColumnsHoldNumbers()
    {
        StandIn standIn;
        const ToolRun r = monitor(standIn.link, {"--hart", "0,1", "--count", "3", "--interval", "100"});
        QCOMPARE(r.code, 0);
        const QStringList lines = r.out.split('\n', Qt::SkipEmptyParts);
        QCOMPARE(lines.size(), 4);
        // Each variable's unit in a column of its own, as each reply names it.
        QCOMPARE(lines[0], QString("time,hart0.current[mA],hart0.pv,hart0.pv_unit,hart0.sv,hart0.sv_unit,hart0.tv,"
                                   "hart0.tv_unit,hart0.qv,hart0.qv_unit,hart0.status,hart1.current[mA],hart1.pv,"
                                   "hart1.pv_unit,hart1.sv,hart1.sv_unit,hart1.tv,hart1.tv_unit,hart1.qv,hart1.qv_unit,"
                                   "hart1.status"));
        for (const QString& line : lines.mid(1)) {
            const QStringList cells = line.split(',');
            QCOMPARE(cells.size(), 21);
            QVERIFY(QDateTime::fromString(cells[0], Qt::ISODateWithMs).isValid() && cells[0].endsWith('Z'));
            for (int c : {1, 2, 4, 6, 8, 11, 12, 14, 16, 18}) {
                bool ok = false;
                cells[c].toDouble(&ok);
                QVERIFY2(ok, qPrintable(line));
            }
            QCOMPARE(cells.mid(3, 1) + cells.mid(5, 1) + cells.mid(7, 1) + cells.mid(9, 1),
                     QStringList({"CuMtr_hr", "℃", "liter", "%"}));
            QCOMPARE(cells.mid(13, 1) + cells.mid(15, 1) + cells.mid(17, 1) + cells.mid(19, 1),
                     QStringList({"bar", "℃", "MPa", "%"}));
            QCOMPARE(cells[10], QString("success"));
        }
        QVERIFY2(r.err.contains("hart1: 4 requests, 4 answers, 0 timeouts"), qPrintable(r.err));

        // With --log, each of those requests and its answer are in the log.
        const QString path = standIn.dir.filePath("monitor.log");
        const ToolRun logged = monitor(standIn.link, {"--hart", "0", "--count", "2", "--interval", "100", "--log", path});
        QCOMPARE(logged.code, 0);
        const LogFile log(path);
        QVERIFY2(log.hasHeaderFor(standIn.link), qPrintable(log.text));
        QCOMPARE(log.frames("TX"), 3); // command 0, then command 3 twice
        QVERIFY(log.frames("RX") >= 3);
    }

    // An instrument's answer that comes after the time limit is no answer: the next
    // request waits for the line to settle, so the late one is dropped, not counted as the
    // next request's answer with a wrong response time.
    void aLateHartAnswerIsNotCounted()
    {
        StandIn standIn({"--delay", "2300"});
        const ToolRun r = monitor(standIn.link, {"--hart", "0", "--count", "2", "--interval", "0"}, 30000);
        QCOMPARE(r.code, 0);
        const QStringList lines = r.out.split('\n', Qt::SkipEmptyParts);
        QCOMPARE(lines.size(), 3);
        for (const QString& line : lines.mid(1)) QVERIFY2(line.section(',', 1).remove(',').isEmpty(), qPrintable(line));
        QVERIFY2(QRegularExpression("hart0: 2 requests?, 0 answers?, 2 timeouts?").match(r.err).hasMatch(),
                 qPrintable(r.err));
        QVERIFY2(r.err.contains("last response -"), qPrintable(r.err));
    }

    // Slots polled on a converter that reads its instruments itself: the run goes on, but
    // the empty cells are explained.
    void aConverterInTransparentModeIsNamed()
    {
        StandIn standIn; // working mode 0
        const ToolRun r = monitor(standIn.link, {"--slots", "1", "--count", "1", "--interval", "0"});
        QCOMPARE(r.code, 0);
        QVERIFY2(r.err.contains("the converter is in transparent mode (working mode 0)"), qPrintable(r.err));
        const ToolRun told = monitor(standIn.link, {"--slots", "1", "--slave", "1", "--formats", "0,0,0,0,0", "--count", "1"});
        QVERIFY2(!told.err.contains("transparent"), qPrintable(told.err)); // nothing was asked
    }

    // Without --formats or --profile, the converter tells each slot's formats and its slave
    // address; with either, or with --slave, what they give is not asked.
    void slotsAreDecodedByTheConvertersOwnFormats()
    {
        StandIn standIn;
        const QString profile = makeMultiSlave(standIn);
        QVERIFY(!profile.isEmpty());
        const QString asked = standIn.dir.filePath("asked.log");
        const ToolRun r = monitor(standIn.link, {"--slots", "0,2", "--count", "2", "--interval", "100", "--log", asked});
        QVERIFY2(r.code == 0, qPrintable(r.err));
        const QStringList lines = r.out.split('\n', Qt::SkipEmptyParts);
        QCOMPARE(lines.size(), 3);
        for (const QString& line : lines.mid(1)) QVERIFY2(slotValuesAreRight(line), qPrintable(line));
        const LogFile log(asked);
        for (const char* query : {"TX  QQQ#QQ0#", "TX  QQQ#QQ2#", "TX  QQQ#QX#"})
            QVERIFY2(log.text.contains(query), query);

        // What the options give is not asked for.
        const struct {
            QStringList options;
            QStringList queries;
        } given[] = {
            {{"--slave", "17"}, {"QQQ#QQ0#", "QQQ#QQ2#"}},
            {{"--profile", profile}, {}},
            {{"--formats", "1,2,3,4,1", "--slave", "17"}, {}},
        };
        for (const auto& g : given) {
            const QString path = standIn.dir.filePath("given.log");
            const ToolRun run = monitor(standIn.link, QStringList{"--slots", "0,2", "--count", "1", "--log", path} + g.options);
            QVERIFY2(run.code == 0, qPrintable(run.err));
            QVERIFY2(slotValuesAreRight(run.out.split('\n').value(1)), qPrintable(run.out));
            const LogFile given(path);
            QCOMPARE(given.text.count("TX  QQQ#"), g.queries.size());
            for (const QString& query : g.queries) QVERIFY2(given.text.contains("TX  " + query), qPrintable(query));
        }
    }

    // A converter that does not tell its formats ends the run before the first poll, saying
    // which query of which slot went unanswered; an existing CSV file is left as it was.
    void aConverterThatDoesNotTellEndsTheRunBeforeItStarts()
    {
        StandIn standIn({"--drop", "1"});
        const QString csv = standIn.dir.filePath("kept.csv");
        QFile old(csv);
        QVERIFY(old.open(QIODevice::WriteOnly) && old.write("earlier rows\n") > 0);
        old.close();
        const ToolRun r = monitor(standIn.link, {"--slots", "2", "--count", "1", "--csv", csv});
        QCOMPARE(r.code, 2);
        QVERIFY2(r.err.contains("cannot read the register formats of slot 2: the MODBUS parameter query of slot 2: "
                                "no answer within 3 s"),
                 qPrintable(r.err));
        QVERIFY2(r.err.contains("--formats"), qPrintable(r.err));
        QVERIFY(old.open(QIODevice::ReadOnly));
        QCOMPARE(old.readAll(), QByteArray("earlier rows\n"));
    }

    // SIGINT, then SIGTERM in a second run: the run ends after a whole row, exit code 0.
    void aSignalEndsTheRunAfterAWholeRow()
    {
        StandIn standIn;
        for (int signal : {SIGINT, SIGTERM}) {
            const QString csv = standIn.dir.filePath(QStringLiteral("rows%1.csv").arg(signal));
            QProcess p;
            p.start(VK_CONFIG_PATH, {"--port", standIn.link, "monitor", "--hart", "0", "--interval", "100", "--csv", csv});
            QTRY_VERIFY_WITH_TIMEOUT(QFile(csv).size() > 0 && [&] {
                QFile f(csv);
                f.open(QIODevice::ReadOnly);
                return f.readAll().count('\n') >= 3;
            }(), 10000);
            ::kill(pid_t(p.processId()), signal);
            QVERIFY(p.waitForFinished(10000));
            QCOMPARE(p.exitStatus(), QProcess::NormalExit);
            QCOMPARE(p.exitCode(), 0);
            QFile f(csv);
            QVERIFY(f.open(QIODevice::ReadOnly));
            const QByteArray text = f.readAll();
            QVERIFY(text.endsWith('\n'));
            for (const QByteArray& line : text.trimmed().split('\n')) QCOMPARE(line.count(','), 10);
        }
    }

    // The closing counts read as words: one of a thing is not "1 requests", and a run stopped
    // before its first cycle ended has no period to tell.
    void theSummaryCountsInWords()
    {
        StandIn standIn({"--verbose"}); // in transparent mode: a slot's request goes unanswered
        const QStringList slot0 = {"--slots", "0", "--formats", "0,0,0,0,0", "--slave", "1"};
        const ToolRun one = monitor(standIn.link, slot0 + QStringList{"--count", "1"});
        QCOMPARE(one.code, 0);
        QVERIFY2(one.err.contains("slot0: 1 request, 0 answers, 1 timeout, 0 CRC errors, 0 exceptions, last response -\n"),
                 qPrintable(one.err));
        QVERIFY2(QRegularExpression("\n1 cycle of \\d+ ms \\(interval 1000 ms\\)\n$").match(one.err).hasMatch(),
                 qPrintable(one.err));

        // Two signals at once, while the first request still waits: no cycle ended.
        QProcess p;
        p.start(VK_CONFIG_PATH, QStringList{"--port", standIn.link, "monitor"} + slot0);
        QVERIFY(p.waitForStarted() && p.processId() > 0);
        // The first run's request, then this run's: its signal handlers are in place.
        QTRY_VERIFY_WITH_TIMEOUT(standIn.requestsSeen() >= 2, 10000);
        ::kill(pid_t(p.processId()), SIGINT);
        QTest::qWait(50); // two signals, not one that arrived twice
        ::kill(pid_t(p.processId()), SIGINT);
        QVERIFY(p.waitForFinished(10000));
        const QString err = QString::fromUtf8(p.readAllStandardError());
        QVERIFY2(err.endsWith("\nno cycle ended (interval 1000 ms)\n") && !err.contains("-1"), qPrintable(err));
    }

    void whatCannotStartExitsWithTwo()
    {
        StandIn standIn;
        ToolRun r = monitor(standIn.dir.filePath("no-such-port"), {"--hart", "0"});
        QCOMPARE(r.code, 2);
        QVERIFY2(r.err.contains("cannot open"), qPrintable(r.err));
        r = monitor(standIn.link, {"--hart", "0", "--csv", standIn.dir.filePath("no/such/dir.csv")});
        QCOMPARE(r.code, 2);
        QVERIFY2(r.err.contains("cannot write"), qPrintable(r.err));
        r = monitor(standIn.link, {"--hart", "0", "--log", standIn.dir.filePath("no/such/dir.log")});
        QCOMPARE(r.code, 2);
        QVERIFY2(r.err.contains("cannot write the log"), qPrintable(r.err));
        r = monitor(standIn.link, {"--hart", "0", "--profile", "/dev/zero"}); // refused at once, unread
        QCOMPARE(r.code, 2);
        QVERIFY2(r.err.contains("/dev/zero"), qPrintable(r.err));
        r = monitor(standIn.link, {"--slots", "9"});
        QCOMPARE(r.code, 2);
        QCOMPARE(r.out, QString());
    }
};

QTEST_MAIN(TestMonitorCommand)
#include "test_monitor_command.moc"
