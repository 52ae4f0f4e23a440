// vk742b-config instrument against the stand-in: the groups printed are the snapshot saved,
// a snapshot compared at once is the same, a changed instrument differs by its key, and the
// exit codes for trouble, with files checked before the port is touched; a loop test stopped
// by a signal leaves fixed current mode and logs it.
#include "instrument/AuditLog.h"
#include "instrument/InstrumentGroups.h"
#include "instrument/SnapshotFile.h"
#include "pages/hart/HartCodec.h"
#include "serial/Comm.h"
#include "session/HartRequest.h"
#include "tests/support/BinaryPort.h"
#include "tests/support/StandIn.h"
#include "tests/support/ToolRun.h"

#include <QProcess>
#include <csignal>

namespace {


// Sends one HART frame through the stand-in by hand and waits for its answer.
bool sendByHand(const QString& link, const QByteArray& frame)
{
    TComm comm;
    openBinary(comm, link);
    NoView view;
    ConverterSession session(comm, view);
    std::optional<SessionOutcome> outcome;
    session.send(hartRequest(frame), [&](const SessionOutcome& o) { outcome = o; });
    return QTest::qWaitFor([&] { return outcome.has_value(); }, 5000) && outcome->ok();
}

} // namespace

class TestInstrumentCommand : public QObject {
    Q_OBJECT

private slots:
    void savedAndComparedAtOnceIsTheSame_data()
    {
        QTest::addColumn<QString>("address");
        for (const char* a : {"0", "1", "2", "5"}) QTest::newRow(a) << QString(a);
    }
    void savedAndComparedAtOnceIsTheSame()
    {
        QFETCH(QString, address);
        StandIn sim;
        QTemporaryDir dir;
        const QString file = dir.filePath("as-found.json");
        const ToolRun saved = runTool({"--port", sim.link, "instrument", address, "--save", file});
        QCOMPARE(saved.code, 0);
        QVERIFY(saved.err.endsWith("vk742b-config: saved " + file + "\n"));
        // What is printed is what was saved.
        QStringList problems;
        QFile f(file);
        QVERIFY(f.open(QIODevice::ReadOnly));
        const auto snapshot = SnapshotFile::fromJson(f.readAll(), problems);
        QVERIFY2(snapshot, qPrintable(problems.join('\n')));
        QCOMPARE(saved.out, InstrumentGroups::text(InstrumentGroups::groups(*snapshot)));

        const ToolRun compared = runTool({"--port", sim.link, "instrument", address, "--compare", file});
        QCOMPARE(compared.code, 0);
        QVERIFY(compared.err.endsWith("vk742b-config: no configuration differences from " + file + "\n"));
    }

    // A HART write sent by hand moves the instrument at 1 to polling address 9: read there,
    // it differs from its snapshot by that key, and its change counter says it was changed.
    void aChangedInstrumentDiffersByItsKey()
    {
        StandIn sim;
        QTemporaryDir dir;
        const QString file = dir.filePath("pt.json");
        QCOMPARE(runTool({"--port", sim.link, "instrument", "1", "--save", file}).code, 0);
        QVERIFY(sendByHand(sim.link, HartCodec::longFrame(5, HartCodec::kMasterBit, {0x11, 0x22, {0x00, 0x12, 0x34}}, 6,
                                                          QByteArray(1, char(9)))));
        const ToolRun r = runTool({"--port", sim.link, "instrument", "9", "--compare", file, "--save", file});
        QCOMPARE(r.code, 1);
        QVERIFY2(r.out.contains(QRegularExpression("\nDifferences from \\S+pt.json\n  key +saved +now\n"
                                                   "  polling_address +1 +9\n"
                                                   "  identity.config_change_counter +3 +4\n$")),
                 qPrintable(r.out));
        QVERIFY(r.err.contains("vk742b-config: 2 configuration keys differ\n"));
        // The new reading was saved as well: compared again, it is the same.
        QCOMPARE(runTool({"--port", sim.link, "instrument", "9", "--compare", file}).code, 0);
    }

    // A write read back: the plan before, the read-back after, a line per setting in the
    // audit log. The stand-in keeps damping in tenths: 0.55 s is set to 0.6 s, response code 8.
    void setIsPlannedWrittenAndReadBack()
    {
        StandIn sim({"--busy", "1:2"}); // and the first two writes find the instrument busy
        QTemporaryDir dir;
        const QString audit = dir.filePath("writes.log");
        const ToolRun r = runTool({"--port", sim.link, "instrument", "1", "set", "tag=pt-202", "damping=0.55", "--yes",
                              "--audit", audit});
        QCOMPARE(r.code, 1);
        QVERIFY2(r.out.contains(QRegularExpression("tag +\"PT-201\" +\"PT-202\"\n")), qPrintable(r.out));
        QVERIFY(r.out.contains(QRegularExpression("damping +1 s +0.55 s\n")));
        QVERIFY(r.out.contains(QRegularExpression("\nRead back\n(.*\n)*  tag +\"PT-201\" +\"PT-202\"\n")));
        QVERIFY(r.out.contains(QRegularExpression("  pv.damping_s +1 +0.6\n")));
        QVERIFY2(r.err.contains("damping: set to the nearest value the instrument allows, 0.6 s (asked 0.55 s)"), qPrintable(r.err));
        QFile log(audit);
        QVERIFY(log.open(QIODevice::ReadOnly));
        const QStringList lines = QString::fromUtf8(log.readAll()).split('\n', Qt::SkipEmptyParts);
        QCOMPARE(lines.size(), 2);
        QVERIFY(lines[0].endsWith("\t1\t001234\ttag\t\"PT-201\"\t\"PT-202\"\twritten"));
        QVERIFY(lines[1].endsWith("\tdamping\t1 s\t0.55 s\treads back as 0.6 s"));
    }

    // The keys apply did not write, each read back as asked, the polling address last.
    void theOtherKeysAreWrittenAndReadBack()
    {
        StandIn sim;
        QTemporaryDir dir;
        const ToolRun r = runTool({"--port", sim.link, "instrument", "5", "set", "long_tag=Spare tank <level> & co",
                              "transfer_function=square root", "unit=cm", "polling_address=7", "--yes", "--audit",
                              dir.filePath("a.log")});
        QVERIFY2(r.code == 0, qPrintable(r.err));
        QVERIFY(r.out.contains("warning: polling address 5 to 7: in the converter's MODBUS modes device slot n polls"));
        const QString now = runTool({"--port", sim.link, "instrument", "7"}).out;
        QVERIFY2(now.contains(QRegularExpression("\n  Long tag +Spare tank <level> & co\n")), qPrintable(now));
        QVERIFY(now.contains(QRegularExpression("\n  Transfer function +square root\n")));
        QVERIFY(now.contains(QRegularExpression("\n  Unit +cm \\(code 48\\)\n")));
        QCOMPARE(runTool({"--port", sim.link, "instrument", "5", "--timeout", "200"}).code, 2); // gone from 5
    }

    // Not on a terminal and without --yes: the plan is printed, nothing is written.
    void withoutYesNothingIsWritten()
    {
        StandIn sim({"--verbose"});
        QTemporaryDir dir;
        const ToolRun r = runTool({"--port", sim.link, "instrument", "1", "set", "damping=2", "--audit", dir.filePath("a.log")});
        QCOMPARE(r.code, 2);
        QVERIFY(r.out.contains(QRegularExpression("damping +1 s +2 s\n")));
        QVERIFY(r.err.contains("give --yes to write without asking"));
        QVERIFY(!QFile::exists(dir.filePath("a.log")));
        QCOMPARE(runTool({"--port", sim.link, "instrument", "1"}).out.contains(QRegularExpression("Damping +1 s\n")), true);
    }

    // A snapshot of the level radar applied to the pressure transmitter writes the settings
    // that differ and belong to no instrument alone; a second apply finds nothing to write.
    void applyWritesOnlyWhatDiffers()
    {
        StandIn sim;
        QTemporaryDir dir;
        const QString sheet = dir.filePath("sheet.json"), audit = dir.filePath("a.log");
        QCOMPARE(runTool({"--port", sim.link, "instrument", "5", "--save", sheet}).code, 0);
        const ToolRun first = runTool({"--port", sim.link, "instrument", "1", "apply", sheet, "--yes", "--audit", audit});
        QVERIFY2(first.code == 0, qPrintable(first.err));
        QStringList written;
        for (const QString& line : first.out.section("\nRead back", 0, 0).split('\n').mid(1))
            if (!line.startsWith("warning:") && !line.isEmpty()) written << line.section(' ', 0, 0);
        QCOMPARE(written, QStringList({"descriptor", "message", "date", "unit", "range", "damping", "loop_current_mode"}));
        const ToolRun second = runTool({"--port", sim.link, "instrument", "1", "apply", sheet, "--yes", "--audit", audit});
        QCOMPARE(second.code, 0);
        QVERIFY(second.err.contains("nothing to write: the instrument holds these values"));
        // With --keys, the tag too.
        const ToolRun tag = runTool({"--port", sim.link, "instrument", "1", "apply", sheet, "--keys", "tag", "--yes", "--audit", audit});
        QCOMPARE(tag.code, 0);
        QVERIFY(runTool({"--port", sim.link, "instrument", "1"}).out.contains(QRegularExpression("\n  Tag +LT-505\n")));
    }

    // SIGINT while a current is held: the test leaves fixed current mode before it ends, and
    // the audit log named holds the current, cancelled, and the leaving.
    void aLoopTestStoppedBySigintLeavesFixedCurrentMode()
    {
        StandIn sim;
        QTemporaryDir dir;
        const QString audit = dir.filePath("loop.log");
        QProcess p;
        p.start(VK_CONFIG_PATH,
                {"--port", sim.link, "instrument", "5", "loop-test", "12", "--hold", "60", "--yes", "--audit", audit});
        QByteArray out;
        QVERIFY(QTest::qWaitFor([&] { return (out += p.readAllStandardOutput()).contains("12 mA asked, 12 mA set\n"); }, 10000));
        ::kill(pid_t(p.processId()), SIGINT);
        QVERIFY(p.waitForFinished(10000));
        QCOMPARE(p.exitCode(), 2);
        const QString err = QString::fromLocal8Bit(p.readAllStandardError());
        QVERIFY2(err.contains("stopping: leaving fixed current mode first") &&
                     err.contains("the instrument left fixed current mode"),
                 qPrintable(err));
        QVERIFY(runTool({"--port", sim.link, "instrument", "5"}).out.contains(QRegularExpression("Device status +0x00\n")));
        QStringList problems, logged;
        for (const AuditLog::Entry& e : AuditLog::read(QFile::encodeName(audit), problems))
            logged << QStringList{e.port, QString::number(e.pollingAddress), e.setting, e.old, e.now, e.outcome}.join(" | ");
        QCOMPARE(problems, QStringList());
        QCOMPARE(logged, (QStringList{sim.link + " | 5 | loop current (loop test) | 12.000 mA | 12.000 mA | cancelled",
                                      sim.link + " | 5 | fixed current mode (loop test) | fixed | not fixed | left fixed "
                                                 "current mode"}));
    }

    void trouble_data()
    {
        QTest::addColumn<QStringList>("args");
        QTest::addColumn<QString>("message");
        QTest::newRow("no address") << QStringList{"instrument"} << "name the instrument's polling address, 0 to 63.";
        QTest::newRow("address 64") << QStringList{"instrument", "64"} << "the polling address is 0 to 63, not '64'.";
        QTest::newRow("short wait") << QStringList{"instrument", "1", "--timeout", "50"}
                                    << "--timeout takes milliseconds, 100 to 60000, not '50'.";
        QTest::newRow("silent address") << QStringList{"instrument", "3", "--timeout", "200"}
                                        << "no answer from polling address 3 within 0.2 s; the converter passes HART "
                                           "frames on in transparent mode (working mode 0) only";
        QTest::newRow("no such snapshot") << QStringList{"instrument", "1", "--compare", "@/none.json"}
                                          << "cannot read @/none.json: No such file or directory";
        QTest::newRow("a profile is no snapshot")
            << QStringList{"instrument", "1", "--compare", QFINDTESTDATA("../profile/full.json")}
            << ": format: must be \"vk742b-instrument\"";
        QTest::newRow("no folder to save in") << QStringList{"instrument", "1", "--save", "@/none/x.json"}
                                              << "cannot write @/none/x.json";
    }
    void trouble()
    {
        QFETCH(QStringList, args);
        QFETCH(QString, message);
        StandIn sim({"--verbose"});
        QTemporaryDir dir;
        args.replaceInStrings("@", dir.path());
        message.replace("@", dir.path());
        const ToolRun r = runTool(QStringList{"--port", sim.link} + args);
        QCOMPARE(r.code, 2);
        QVERIFY2(r.err.contains(message), qPrintable(r.err));
        QCOMPARE(r.out, QString());
        // A bad file is found before anything is sent.
        if (args.contains("--compare") || args.contains("--save")) QCOMPARE(sim.requestsSeen(), 0);
    }
};

QTEST_GUILESS_MAIN(TestInstrumentCommand)
#include "test_instrument_command.moc"
