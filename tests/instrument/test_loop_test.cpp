// The loop test against the stand-in: each current is held and echoed, and however the test
// ends (its end, Cancel, a refused step, the port going away and coming back) the instrument
// is out of fixed current mode afterwards, as command 3 shows; each current and the leaving
// are in the audit log, and a log that cannot be written is told without keeping the
// instrument fixed.
#include "instrument/AuditLog.h"
#include "instrument/LoopTest.h"
#include "pages/hart/HartCommands.h"
#include "pages/hart/HartReply.h"
#include "serial/Comm.h"
#include "session/HartRequest.h"
#include "tests/support/BinaryPort.h"
#include "tests/support/HartStatusNow.h"
#include "tests/support/StandIn.h"

#include <QtTest>

namespace {

constexpr uint8_t kLoopCurrentFixed = 0x08;

struct Test {
    QTemporaryDir dir;
    QDateTime started = QDateTime::currentDateTimeUtc().addSecs(-1); // the log keeps whole seconds
    QString port;
    TComm comm;
    NoView view;
    std::unique_ptr<ConverterSession> session;
    std::unique_ptr<LoopTest> test;
    std::optional<LoopTest::End> end;
    QList<QPair<float, float>> set; // asked, echoed
    QList<int> commands;
    QList<uint8_t> statuses; // the field device status of every reply

    Test(const QString& path, int address, std::vector<float> currents, int holdMs, QByteArray auditPath = {})
        : port(path)
    {
        openBinary(comm, path);
        session = std::make_unique<ConverterSession>(comm, view, InstrumentRead::sessionOptions(500, 9600));
        QObject::connect(session.get(), &PortTraffic::frameWritten, [this](const QByteArray& f) {
            if (const auto r = HartReply::request(f)) commands << r->command;
        });
        LoopTest::Options options;
        options.read.pollingAddress = address;
        options.currents = std::move(currents);
        options.holdMs = holdMs;
        options.recoverMs = 10000;
        options.port = path;
        options.auditPath = auditPath.isEmpty() ? QFile::encodeName(dir.filePath("audit.log")) : auditPath;
        test = std::make_unique<LoopTest>(*session, options);
        QObject::connect(test.get(), &LoopTest::currentSet,
                         [this](int, float asked, std::optional<float> s) { set << qMakePair(asked, s.value_or(-1)); });
        QObject::connect(test.get(), &LoopTest::finished, [this](LoopTest::End e) { end = e; });
        QObject::connect(test.get(), &LoopTest::replied, [this](const HartStatus::Status& s) { statuses << s.second; });
        test->start();
    }
    bool finish(int ms = 30000) { return QTest::qWaitFor([&] { return end.has_value(); }, ms); }

    // The audit log's entries as "setting | old | new | outcome"; each must name the port,
    // the polling address, the instrument and a time within the test.
    QStringList logged(int address) const
    {
        QStringList problems, out;
        const auto entries = AuditLog::read(QFile::encodeName(dir.filePath("audit.log")), problems);
        if (!problems.isEmpty()) return problems;
        for (const AuditLog::Entry& e : entries) {
            if (e.port != port || e.pollingAddress != address || !QRegularExpression("^[0-9A-F]{6}$").match(e.deviceId).hasMatch() ||
                e.at < started || e.at > QDateTime::currentDateTimeUtc())
                out << QStringLiteral("entry not of this test: ") + QString::fromUtf8(AuditLog::line(e));
            else out << QStringList{e.setting, e.old, e.now, e.outcome}.join(" | ");
        }
        return out;
    }
};

const QString kStep = QStringLiteral("loop current (loop test) | ");
const QString kLeft = QStringLiteral("fixed current mode (loop test) | fixed | not fixed | left fixed current mode");

// The field device status the instrument at `address` reports to command 3, on a port of
// its own.
std::optional<uint8_t> statusNow(const QString& path, int address)
{
    TComm comm;
    openBinary(comm, path);
    NoView view;
    ConverterSession session(comm, view);
    return hartStatusNow(session, address);
}

} // namespace

class TestLoopTest : public QObject {
    Q_OBJECT

private slots:
    void eachCurrentIsHeldThenLeft()
    {
        StandIn sim;
        {
            Test t(sim.link, 0, {4, 12, 20}, 200);
            QVERIFY(t.finish());
            QCOMPARE(*t.end, LoopTest::End::Completed);
            QCOMPARE(t.set, (QList<QPair<float, float>>{{4, 4}, {12, 12}, {20, 20}}));
            QCOMPARE(t.commands, (QList<int>{0, 40, 40, 40, 40, 3}));
            // Fixed while held (the replies to the three currents), then no longer.
            QCOMPARE(t.statuses.size(), 6);
            for (int i = 1; i <= 3; ++i) QCOMPARE(t.statuses[i] & kLoopCurrentFixed, kLoopCurrentFixed);
            QCOMPARE(t.statuses.last() & kLoopCurrentFixed, 0);
            QCOMPARE(t.logged(0), (QStringList{kStep + "4.000 mA | 4.000 mA | held 0.2 s", kStep + "12.000 mA | 12.000 mA | held 0.2 s",
                                               kStep + "20.000 mA | 20.000 mA | held 0.2 s", kLeft}));
            QCOMPARE(t.test->auditProblem(), QString());
        }
        QCOMPARE(statusNow(sim.link, 0).value_or(kLoopCurrentFixed) & kLoopCurrentFixed, 0);
    }

    void cancelLeavesFixedCurrentMode()
    {
        StandIn sim;
        {
            Test t(sim.link, 5, {12, 16}, 60000);
            QTRY_COMPARE_WITH_TIMEOUT(t.set.size(), 1, 5000);
            t.test->cancel();
            QVERIFY(t.finish(5000));
            QCOMPARE(*t.end, LoopTest::End::Stopped);
            QCOMPARE(t.commands, (QList<int>{0, 40, 40, 3}));
            QCOMPARE(t.logged(5), (QStringList{kStep + "12.000 mA | 12.000 mA | cancelled", kStep + "16.000 mA | - | not sent", kLeft}));
        }
        QCOMPARE(statusNow(sim.link, 5).value_or(kLoopCurrentFixed) & kLoopCurrentFixed, 0);
    }

    // The write-protected instrument refuses the first current: nothing was fixed, so
    // nothing needs leaving.
    void aRefusedStepEndsTheTest()
    {
        StandIn sim;
        Test t(sim.link, 2, {4, 20}, 100);
        QVERIFY(t.finish());
        QCOMPARE(*t.end, LoopTest::End::Stopped);
        QVERIFY(t.set.isEmpty());
        QCOMPARE(t.commands, (QList<int>{0, 40}));
        QVERIFY(t.test->messages().join('\n').contains("4 mA not set: in write-protect mode"));
        // Nothing was fixed, so there is no leaving to log.
        const QStringList logged = t.logged(2);
        QCOMPARE(logged.size(), 2);
        QVERIFY2(logged[0].startsWith(kStep + "4.000 mA | - | refused: in write-protect mode"), qPrintable(logged[0]));
        QCOMPARE(logged[1], kStep + "20.000 mA | - | not sent");
    }

    // The stand-in goes away while a current is held and comes back on the same link: the
    // test reopens the port and leaves fixed current mode there.
    void aPortThatComesBackIsLeftFromFixedMode()
    {
        StandIn sim;
        const QString link = sim.link;
        Test t(link, 5, {12}, 60000);
        QTRY_COMPARE_WITH_TIMEOUT(t.set.size(), 1, 5000);
        sim.process.kill();
        sim.process.waitForFinished();
        QFile::remove(link);
        QTest::qWait(1500); // the port is found gone and tried again
        QProcess back;
        back.start(VK_SIM_PATH, {"--link", link});
        QTRY_VERIFY_WITH_TIMEOUT(QFile::exists(link), 5000);
        QVERIFY2(t.finish(15000), qPrintable(t.test->messages().join('\n')));
        QCOMPARE(*t.end, LoopTest::End::Stopped);
        QVERIFY2(t.test->messages().join('\n').contains("the port came back"), qPrintable(t.test->messages().join('\n')));
        QCOMPARE(t.commands.mid(t.commands.size() - 2), (QList<int>{40, 3}));
        QCOMPARE(t.logged(5), (QStringList{kStep + "12.000 mA | 12.000 mA | the port went away", kLeft}));
        back.terminate();
        back.waitForFinished(2000);
    }

    // A log that cannot be written (its folder would be a file) is told, and the test still
    // holds its current and leaves fixed current mode.
    void anUnwritableLogStillLeavesFixedCurrentMode()
    {
        StandIn sim;
        QTemporaryDir dir;
        QFile blocker(dir.filePath("file"));
        QVERIFY(blocker.open(QIODevice::WriteOnly));
        blocker.close();
        Test t(sim.link, 0, {12}, 100, QFile::encodeName(dir.filePath("file/audit.log")));
        QVERIFY(t.finish());
        QCOMPARE(*t.end, LoopTest::End::Completed);
        QCOMPARE(t.commands, (QList<int>{0, 40, 40, 3}));
        QVERIFY(t.test->auditProblem().contains("cannot write"));
        QCOMPARE(t.test->messages().filter("the audit log was not written: ").size(), 1);
    }
};

QTEST_GUILESS_MAIN(TestLoopTest)
#include "test_loop_test.moc"
