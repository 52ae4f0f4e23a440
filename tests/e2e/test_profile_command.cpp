// The command line against the stand-in: read, write and compare, and the exit codes.
#include "profile/Profile.h"
#include "tests/support/LogFile.h"
#include "tests/support/StandIn.h"
#include "tests/support/ToolRun.h"

#include <QElapsedTimer>
#include <QJsonDocument>
#include <sys/resource.h>
#include <unistd.h>
#include <QJsonObject>

namespace {


QString fullProfilePath() { return QFINDTESTDATA("../profile/full.json"); }

Profile load(const QString& path)
{
    QFile file(path);
    file.open(QIODevice::ReadOnly);
    QStringList problems;
    const auto p = Profile::fromJson(file.readAll(), problems);
    if (!p) qWarning("%s", qPrintable(problems.join('\n')));
    return p.value_or(Profile{});
}

} // namespace

class TestProfileCommand : public QObject {
    Q_OBJECT

private slots:
    void badArgumentsExitWithTwo()
    {
        QCOMPARE(runTool({"read", "x.json"}).code, 2); // no port
        QCOMPARE(runTool({"--port", "/dev/null", "erase", "x.json"}).code, 2);
        QCOMPARE(runTool({"--port", "/dev/null", "read"}).code, 2);
        const ToolRun parity = runTool({"--port", "/dev/null", "--parity", "Mark", "read", "x.json"});
        QCOMPARE(parity.code, 2);
        QVERIFY2(parity.err.contains("--parity takes None, Odd or Even, not 'Mark'"), qPrintable(parity.err));
        QCOMPARE(runTool({"--port", "/dev/null", "--baud", "fast", "read", "x.json"}).code, 2);
        QCOMPARE(runTool({"--port", "/dev/null", "write", "/nonexistent/profile.json"}).code, 2);
    }

    void aPortThatDoesNotOpenExitsWithTwoAndIsNamed()
    {
        QTemporaryDir dir;
        const ToolRun r = runTool({"--port", dir.filePath("no-such-port"), "read", dir.filePath("p.json")});
        QCOMPARE(r.code, 2);
        QVERIFY2(r.err.contains("cannot open " + dir.filePath("no-such-port") + ": No such"), qPrintable(r.err));
        QVERIFY(!QFile::exists(dir.filePath("p.json")));
        QVERIFY2(!r.err.contains("Open"), qPrintable(r.err)); // no advice for a window
    }

    void aBadProfileIsRefusedAndNothingIsSent()
    {
        StandIn standIn({"--verbose"});
        QTemporaryDir dir;
        QFile bad(dir.filePath("bad.json"));
        QJsonObject root = QJsonDocument::fromJson([] {
                               QFile f(fullProfilePath());
                               f.open(QIODevice::ReadOnly);
                               return f.readAll();
                           }()).object();
        QJsonObject system = root["system"].toObject();
        system["slave_address"] = 300;
        root["system"] = system;
        QVERIFY(bad.open(QIODevice::WriteOnly));
        bad.write(QJsonDocument(root).toJson());
        bad.close();

        const ToolRun r = runTool({"--port", standIn.link, "write", bad.fileName()});
        QCOMPARE(r.code, 2);
        QVERIFY2(r.err.contains("system.slave_address: accepts a whole number from 1 to 247"), qPrintable(r.err));
        QTest::qWait(200);
        QCOMPARE(standIn.requestsSeen(), 0);
    }

    void writeReadAndCompareRoundTrip()
    {
        StandIn standIn;
        QTemporaryDir dir;
        const ToolRun written = runTool({"--port", standIn.link, "write", fullProfilePath()}, 120000);
        QVERIFY2(written.code == 0, qPrintable(written.err));
        QVERIFY(written.err.contains("[1/39] system.working_mode\n"));
        // The run reopened at the new speed and the converter answered there.
        QVERIFY2(written.err.contains("written; now at 19200 baud\n"), qPrintable(written.err));

        const QString readPath = dir.filePath("read.json");
        const ToolRun read = runTool({"--port", standIn.link, "--baud", "19200", "--parity", "even", "read", readPath});
        QVERIFY2(read.code == 0, qPrintable(read.err));
        QCOMPARE(read.err.count(QRegularExpression("^\\[\\d+/12\\] ", QRegularExpression::MultilineOption)), 12);
        QCOMPARE(load(readPath), load(fullProfilePath()));

        const ToolRun same = runTool({"--port", standIn.link, "--baud", "19200", "compare", fullProfilePath()});
        QVERIFY2(same.code == 0, qPrintable(same.err));

        QFile changed(dir.filePath("changed.json"));
        QVERIFY(changed.open(QIODevice::WriteOnly));
        Profile profile = load(fullProfilePath());
        profile.values["system.slave_address"] = 18;
        changed.write(profile.toJson());
        changed.close();
        const ToolRun differs = runTool({"--port", standIn.link, "--baud", "19200", "compare", changed.fileName()});
        QCOMPARE(differs.code, 1);
        QVERIFY2(differs.out.contains(QRegularExpression("system.slave_address +18 +17\n")), qPrintable(differs.out));
        QCOMPARE(differs.out.count('\n'), 2); // the heading and the one setting
    }

    // No display, and a platform that would need one: a window object would abort the run.
    // The command line loads no plugin at all.
    void theCommandLineNeedsNoDisplay()
    {
        StandIn standIn;
        QTemporaryDir dir;
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        for (const char* name : {"DISPLAY", "WAYLAND_DISPLAY"}) env.remove(name);
        env.insert("QT_QPA_PLATFORM", "xcb");
        env.insert("QT_DEBUG_PLUGINS", "1");
        const ToolRun r = runTool({"--port", standIn.link, "read", dir.filePath("p.json")}, 60000, env);
        QVERIFY2(r.code == 0, qPrintable(r.err));
        QVERIFY2(!r.err.contains("plugin"), qPrintable(r.err));
    }

    // Replies in two pieces and slow replies: reads and writes succeed, and give the same
    // profile as a plain read; a write that changes both speeds is confirmed at the new one.
    void awkwardRepliesReadAndWriteAlike()
    {
        const Profile wanted = load(fullProfilePath());
        const QString baud = wanted.values.at("system.rs232_rs485a.baud").toVariant().toString();
        const QString parity = wanted.values.at("system.rs232_rs485a.parity").toString();
        for (const QStringList& awkward : {QStringList{"--split", "150"}, QStringList{"--delay", "800"}}) {
            StandIn plain;
            StandIn standIn(awkward);
            QTemporaryDir dir;
            const QString what = awkward.join(' ');
            const ToolRun before = runTool({"--port", standIn.link, "read", dir.filePath("before.json")});
            QVERIFY2(before.code == 0, qPrintable(what + ": " + before.err));
            QVERIFY(runTool({"--port", plain.link, "read", dir.filePath("plain.json")}).code == 0);
            QCOMPARE(load(dir.filePath("before.json")), load(dir.filePath("plain.json")));

            const ToolRun written = runTool({"--port", standIn.link, "write", fullProfilePath()}, 120000);
            QVERIFY2(written.code == 0, qPrintable(what + ": " + written.err));
            QVERIFY2(written.err.endsWith("written; now at " + baud + " baud\n"), qPrintable(written.err));
            const ToolRun after =
                runTool({"--port", standIn.link, "--baud", baud, "--parity", parity, "read", dir.filePath("after.json")});
            QVERIFY2(after.code == 0, qPrintable(what + ": " + after.err));
            QCOMPARE(load(dir.filePath("after.json")), wanted);
        }
    }

    void aDroppedReplyStopsTheWriteWithTwo()
    {
        StandIn standIn({"--drop", "1"});
        const ToolRun r = runTool({"--port", standIn.link, "write", fullProfilePath()});
        QCOMPARE(r.code, 2);
        QVERIFY2(r.err.contains("stopped at system.working_mode: no answer within 3 s"), qPrintable(r.err));
        QVERIFY(r.err.contains("nothing was applied"));
        QVERIFY(!r.err.contains("[2/"));
        // A compare that cannot read the converter is trouble, not a difference.
        StandIn silent({"--drop", "1"});
        QCOMPARE(runTool({"--port", silent.link, "compare", fullProfilePath()}).code, 2);
    }

    // An acknowledgement with a bit flipped is an answer all the same: the converter heard
    // the setting and may have applied it, so "no answer" and "nothing was applied" would
    // both be false.
    void aGarbledAcknowledgementMayHaveBeenApplied()
    {
        StandIn standIn({"--garble"});
        const ToolRun r = runTool({"--port", standIn.link, "write", fullProfilePath()});
        QCOMPARE(r.code, 2);
        QVERIFY2(r.err.contains("stopped at system.working_mode: an answer came that could not be read; it may have "
                                "been applied\n"),
                 qPrintable(r.err));
        QVERIFY2(r.err.contains("nothing before it was applied"), qPrintable(r.err));
        QVERIFY(!r.err.contains("no answer"));
    }

    // A write that stops halfway says which settings the converter already holds.
    void aWriteStoppedHalfwayListsWhatWasApplied()
    {
        StandIn standIn;
        QProcess p;
        p.start(VK_CONFIG_PATH, {"--port", standIn.link, "write", fullProfilePath()});
        QByteArray err;
        QTRY_VERIFY_WITH_TIMEOUT((err += p.readAllStandardError()).contains("[5/39]"), 20000);
        standIn.process.kill();
        QVERIFY(p.waitForFinished(20000));
        err += p.readAllStandardError();
        QCOMPARE(p.exitCode(), 2);
        QVERIFY2(err.contains("the port went away") || err.contains("no answer within 3 s"), err.constData());
        QVERIFY2(err.contains("already applied (") && err.contains("system.working_mode, system.slave_address"),
                 err.constData());
    }

    // A read: "saved FILE"; a folder that does not exist is refused before the converter
    // is asked anything; a save that fails (a file-size limit here) keeps the old file and
    // exits 2; the log holds every frame with its date under a header.
    void readsSaveOrSayWhyNot()
    {
        StandIn standIn({"--verbose"});
        QTemporaryDir dir;
        const QString path = dir.filePath("converter.json");
        const QString logPath = dir.filePath("traffic.log");
        ToolRun r = runTool({"--port", standIn.link, "--log", logPath, "read", path});
        QVERIFY2(r.code == 0, qPrintable(r.err));
        QVERIFY2(r.err.endsWith("saved " + path + "\n"), qPrintable(r.err));
        const LogFile log(logPath);
        QVERIFY2(log.hasHeaderFor(standIn.link), qPrintable(log.text));
        QCOMPARE(log.frames("TX"), 12);
        QVERIFY(log.frames("RX") >= 12);

        QTest::qWait(200);
        const int seen = standIn.requestsSeen();
        r = runTool({"--port", standIn.link, "read", dir.filePath("no-such-folder/p.json")});
        QCOMPARE(r.code, 2);
        QVERIFY2(r.err.contains("no-such-folder"), qPrintable(r.err));
        QTest::qWait(200);
        QCOMPARE(standIn.requestsSeen(), seen);

        QFile old(path);
        QVERIFY(old.open(QIODevice::ReadOnly));
        const QByteArray before = old.readAll();
        old.close();
        QProcess limited;
        limited.setChildProcessModifier([] {
            const rlimit small{100, 100};
            ::setrlimit(RLIMIT_FSIZE, &small);
        });
        limited.start(VK_CONFIG_PATH, {"--port", standIn.link, "read", path});
        QVERIFY(limited.waitForFinished(30000));
        QCOMPARE(limited.exitStatus(), QProcess::NormalExit);
        QCOMPARE(limited.exitCode(), 2);
        QVERIFY(limited.readAllStandardError().contains("cannot write"));
        QVERIFY(old.open(QIODevice::ReadOnly));
        QCOMPARE(old.readAll(), before);
    }

    // Input the command line must not trust: a device that never ends, a FIFO, a name that
    // is not UTF-8, a key of control characters.
    void untrustedInputIsRefusedOrShownSafely()
    {
        QElapsedTimer clock;
        clock.start();
        ToolRun r = runTool({"--port", "/dev/null", "write", "/dev/zero"}, 10000);
        QCOMPARE(r.code, 2);
        QVERIFY2(r.err.contains("/dev/zero") && clock.elapsed() < 5000, qPrintable(r.err));

        QTemporaryDir dir;
        QFile bad(dir.filePath("bad.json"));
        QVERIFY(bad.open(QIODevice::WriteOnly));
        bad.write("{\"format\": \"vk742b-profile\", \"version\": 1, \"\\u001b]0;owned\\u0007\\u001b[2J\": 1}");
        bad.close();
        r = runTool({"--port", "/dev/null", "write", bad.fileName()});
        QCOMPARE(r.code, 2);
        QVERIFY2(!r.err.contains(QChar(0x1b)) && !r.err.contains(QChar(0x07)), qPrintable(r.err));
        QVERIFY2(r.err.contains("\\x1b]0;owned\\x07\\x1b[2J"), qPrintable(r.err));

        // The name goes to the file system as the bytes it was given.
        StandIn standIn;
        QProcess shell;
        shell.setWorkingDirectory(dir.path());
        shell.start("/bin/sh", {"-c", "exec \"$0\" --port \"$1\" read \"$(printf 'caf\\351.json')\"",
                                VK_CONFIG_PATH, standIn.link});
        QVERIFY(shell.waitForFinished(30000));
        QCOMPARE(shell.exitCode(), 0);
        QVERIFY(shell.readAllStandardError().contains("saved caf\\xe9.json"));
        const QByteArray made = dir.path().toLocal8Bit() + "/caf\xe9.json";
        QVERIFY(::access(made.constData(), F_OK) == 0);
        ::unlink(made.constData()); // a name QTemporaryDir could not spell
    }
};

QTEST_MAIN(TestProfileCommand)
#include "test_profile_command.moc"
