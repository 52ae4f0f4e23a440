// The serial-port component over a pseudo-terminal: the test plays the far end.
#include "serial/Comm.h"
#include "serial/CommEvents.h"
#include "serial/LineSettings.h"
#include "tests/support/Flood.h"
#include "tests/support/PtyPair.h"

#include <QDir>
#include <QElapsedTimer>
#include <QTemporaryFile>
#include <QtTest>
#include <fcntl.h>
#include <thread>
#include <unistd.h>

namespace {

struct Recorder {
    QList<QByteArray> chunks;
    int hangups = 0;
    int emptied = 0;

    void attach(TComm& comm)
    {
        comm.OnReceiveData = [this](TComm*, const uint8_t* data, uint16_t size) {
            QVERIFY(data[size] == 0); // every copy carries a terminating zero
            chunks.append(QByteArray(reinterpret_cast<const char*>(data), size));
        };
        comm.OnRequestHangup = [this](TComm*) { ++hangups; };
        comm.OnSendDataEmpty = [this](TComm*) { ++emptied; };
    }
};

QString path(const PtyPair& pty) { return QString::fromStdString(pty.slavePath()); }

QByteArray pattern(int size, int seed = 0)
{
    QByteArray bytes(size, '\0');
    for (int i = 0; i < size; ++i) bytes[i] = char((i * 7 + seed) & 0xFF);
    return bytes;
}

int openDescriptors() { return int(QDir("/proc/self/fd").entryList(QDir::Files | QDir::System).size()); }

} // namespace

class TestComm : public QObject {
    Q_OBJECT

private slots:
    void defaultsAreTheComponentsOwn()
    {
        TComm comm;
        QCOMPARE(comm.CommName(), QString("COM2"));
        QCOMPARE(comm.BaudRate(), 9600u);
        QCOMPARE(comm.DtrControl(), TDtrControl::DtrEnable);
        QCOMPARE(comm.RtsControl(), TRtsControl::RtsEnable);
        QVERIFY(comm.Outx_XonXoffFlow() && comm.Inx_XonXoffFlow() && comm.TxContinueOnXoff());
        QCOMPARE(comm.ReadIntervalTimeout(), 100u);
        QCOMPARE(comm.XonChar(), char(17));
        QCOMPARE(comm.XoffChar(), char(19));
        QVERIFY(!comm.IsOpen());
    }

    void quietLineEndsAChunk()
    {
        PtyPair pty;
        TComm comm;
        Recorder rec;
        rec.attach(comm);
        comm.SetCommName(path(pty));
        comm.OpenPort();
        pty.write("0123456789");
        QTest::qWait(400);
        QCOMPARE(rec.chunks.size(), 1);
        QCOMPARE(rec.chunks.first(), QByteArray("0123456789"));
    }

    void fullBufferEndsAChunk()
    {
        PtyPair pty;
        TComm comm;
        Recorder rec;
        rec.attach(comm);
        comm.SetCommName(path(pty));
        comm.SetOutx_XonXoffFlow(false); // the pattern holds X-on/X-off bytes
        comm.SetInx_XonXoffFlow(false);
        comm.OpenPort();
        const QByteArray sent = pattern(3000);
        pty.write(sent);
        QTRY_COMPARE_WITH_TIMEOUT(rec.chunks.size(), 2, 3000);
        QCOMPARE(rec.chunks[0].size(), 2048);
        QCOMPARE(rec.chunks[1].size(), 952);
        QCOMPARE(rec.chunks[0] + rec.chunks[1], sent);
    }

    void writesArriveInOrderAndComplete()
    {
        PtyPair pty;
        TComm comm;
        Recorder rec;
        rec.attach(comm);
        comm.SetCommName(path(pty));
        comm.OpenPort();
        QByteArray expected;
        for (int i = 1; i <= 60; ++i) {
            const QByteArray request = pattern(i * 37 % 700 + 1, i);
            expected += request;
            QVERIFY(comm.SendBytes(request.constData(), uint16_t(request.size())));
        }
        QCOMPARE(pty.readQuiet(300, 10000), expected);
        QTRY_VERIFY(rec.emptied >= 1);
    }

    void refusedWrites()
    {
        PtyPair pty;
        TComm comm;
        const char byte = 'x';
        QVERIFY(!comm.SendBytes(&byte, 1)); // closed
        comm.SetCommName(path(pty));
        comm.OpenPort();
        QVERIFY(!comm.SendBytes(&byte, 0));
        QVERIFY(pty.readQuiet(100, 300).isEmpty());
    }

    void secondOpenIsRefusedAndFirstStays()
    {
        PtyPair pty;
        TComm comm;
        Recorder rec;
        rec.attach(comm);
        comm.SetCommName(path(pty));
        comm.OpenPort();
        try {
            comm.OpenPort();
            QFAIL("second open succeeded");
        } catch (const ECommsError& e) {
            QCOMPARE(QString(e.what()), QString("This serial port already opened"));
        }
        QVERIFY(comm.IsOpen());
        QVERIFY(comm.SendBytes("ok", 2));
        QCOMPARE(pty.readQuiet(), QByteArray("ok"));
        pty.write("back");
        QTRY_COMPARE(rec.chunks.size(), 1);
    }

    void heldPortIsRefusedUntilFree()
    {
        PtyPair pty;
        TComm holder, other;
        holder.SetCommName(path(pty));
        other.SetCommName(path(pty));
        holder.OpenPort();
        try {
            other.OpenPort();
            QFAIL("opened a held port");
        } catch (const ECommsError& e) {
            QCOMPARE(QString(e.what()), QString("Error opening serial port"));
            QVERIFY(!e.detail().empty());
        }
        QVERIFY(!other.IsOpen());
        holder.ClosePort();
        other.OpenPort();
        QVERIFY(other.IsOpen());
    }

    void openFailures()
    {
        QTemporaryFile file;
        QVERIFY(file.open());
        TComm comm;
        comm.SetCommName(file.fileName());
        try {
            comm.OpenPort();
            QFAIL("opened a regular file");
        } catch (const ECommsError& e) {
            QCOMPARE(QString(e.what()), QString("File handle is not a comm handle "));
            QCOMPARE(QString::fromStdString(e.detail()), QString("Not a serial device"));
        }
        QVERIFY(!comm.IsOpen());

        // A missing path, and no name at all, are missing files (not the folder /dev/).
        for (const char* missing : {"/dev/no-such-port-here", ""}) {
            comm.SetCommName(missing);
            try {
                comm.OpenPort();
                QFAIL("opened a missing port");
            } catch (const ECommsError& e) {
                QCOMPARE(QString(e.what()), QString("Error opening serial port"));
                QCOMPARE(QString::fromStdString(e.detail()), QString("No such file or directory"));
            }
            QVERIFY(!comm.IsOpen());
        }
    }

    // Pseudo-terminals on current kernels force 8 data bits and no parity, so those two are
    // checked in what the driver accepted; speed, stop bits and flow control are read back
    // from the far side.
    void settingsReachTheLine()
    {
        PtyPair pty;
        TComm comm;
        comm.SetCommName(path(pty));
        comm.SetBaudRate(19200);
        comm.SetParity(TParity::Even);
        comm.SetOutx_XonXoffFlow(false);
        comm.SetInx_XonXoffFlow(false);
        comm.OpenPort();
        PortLine line;
        QVERIFY(readPortLine(pty.master(), line));
        QCOMPARE(line.baudRate, 19200u);
        QCOMPARE(line.stopBits, 1);
        QVERIFY(!line.xonXoffIn && !line.xonXoffOut);
        QCOMPARE(comm.AppliedLine().parity, TParity::Even);

        // A speed outside the standard table, applied at once while open.
        comm.SetBaudRate(15200);
        QVERIFY(readPortLine(pty.master(), line));
        QCOMPARE(line.baudRate, 15200u);

        // Parity waits for the next re-apply that another setting causes.
        comm.SetParity(TParity::Mark);
        QCOMPARE(comm.AppliedLine().parity, TParity::Even);
        comm.SetStopBits(TStopBits::_2);
        comm.SetByteSize(TByteSize::_7);
        QVERIFY(readPortLine(pty.master(), line));
        QCOMPARE(line.stopBits, 2);
        QCOMPARE(comm.AppliedLine().parity, TParity::Mark);
        QCOMPARE(comm.AppliedLine().byteSize, TByteSize::_7);
        comm.SetParity(TParity::Space);
        comm.SetOutx_XonXoffFlow(true);
        QVERIFY(readPortLine(pty.master(), line));
        QVERIFY(line.xonXoffOut);
        QCOMPARE(comm.AppliedLine().parity, TParity::Space);

        // Setting a value the component already holds re-applies nothing.
        comm.SetParity(TParity::None);
        comm.SetBaudRate(15200);
        QCOMPARE(comm.AppliedLine().parity, TParity::Space);
    }

    void closeDropsQueuedWrites()
    {
        PtyPair pty;
        TComm comm;
        Recorder rec;
        rec.attach(comm);
        comm.SetCommName(path(pty));
        comm.OpenPort();
        QTRY_COMPARE(rec.emptied, 1); // the queue starts empty
        rec.emptied = 0;
        // Nobody reads the far end: the terminal's buffers fill and the rest stays queued.
        const QByteArray block = pattern(2000);
        int queued = 0;
        for (int i = 0; i < 200; ++i) queued += comm.SendBytes(block.constData(), 2000) ? 1 : 0;
        QCOMPARE(queued, 200);
        QTest::qWait(100);
        // On a slow machine the writer may catch up with the queue now and then before the
        // terminal's buffers fill; what matters is that nothing follows the close.
        const int emptiedBeforeClose = rec.emptied;
        QElapsedTimer timer;
        timer.start();
        comm.ClosePort();
        QVERIFY(timer.elapsed() < 1000);
        const QByteArray arrived = pty.readQuiet(200, 5000);
        QVERIFY(arrived.size() < 200 * 2000);
        QTest::qWait(100);
        QCOMPARE(rec.emptied, emptiedBeforeClose); // no "queue empty" for dropped writes
    }

    // Nothing in a close waits for a timer: the quickest of several closes is far below the
    // read interval, and none comes near the close limit, even on a busy machine.
    void closingAnIdlePortIsPrompt()
    {
        PtyPair pty;
        TComm comm;
        comm.SetCommName(path(pty));
        qint64 quickest = 1000000, slowest = 0;
        for (int i = 0; i < 5; ++i) {
            comm.OpenPort();
            QTest::qWait(20);
            QElapsedTimer timer;
            timer.start();
            comm.ClosePort();
            quickest = std::min(quickest, timer.elapsed());
            slowest = std::max(slowest, timer.elapsed());
            QVERIFY(!comm.IsOpen());
        }
        QVERIFY2(quickest < 50, qPrintable(QString::number(quickest)));
        QVERIFY2(slowest < 1000, qPrintable(QString::number(slowest)));
    }

    // Measured against the same wait with no port open, so that what the process spends
    // anyway (the sanitizers' own threads, say) is not counted.
    void idlePortCostsNoCpu()
    {
        PtyPair pty;
        const auto spentIn = [](int ms) {
            const double before = processCpuSeconds();
            QTest::qWait(ms);
            return processCpuSeconds() - before;
        };
        QTest::qWait(500); // for what earlier tests left winding down to end
        const double without = spentIn(2000);
        TComm comm;
        comm.SetCommName(path(pty));
        comm.OpenPort();
        QTest::qWait(100);
        const double with = spentIn(2000);
        QVERIFY2(with - without < 0.02,
                 qPrintable(QStringLiteral("an idle open port burns CPU: %1 s in 2 s, %2 s without it").arg(with).arg(without)));
    }

    void vanishedDeviceHangsUpOnce()
    {
        PtyPair pty;
        TComm comm;
        Recorder rec;
        rec.attach(comm);
        comm.SetCommName(path(pty));
        comm.OpenPort();
        QTest::qWait(50);
        pty.closeMaster();
        QTRY_VERIFY(rec.hangups >= 1);
        const double before = processCpuSeconds();
        QTest::qWait(500);
        QVERIFY2(processCpuSeconds() - before < 0.05, "a thread spins after the hang-up");
        QVERIFY(comm.IsOpen()); // the owner decides when to close
        QElapsedTimer timer;
        timer.start();
        comm.ClosePort();
        QVERIFY(timer.elapsed() < 200);
        QVERIFY(rec.hangups <= 2); // at most one from each thread
        QCOMPARE(rec.chunks.size(), 0);
    }

    void closeIsPromptWhileTheFarEndFloods()
    {
        PtyPair pty;
        TComm comm;
        Recorder rec;
        rec.attach(comm);
        comm.SetCommName(path(pty));
        comm.OpenPort();
        Flood flood(pty.master());
        QTRY_VERIFY(rec.chunks.size() >= 3);
        QElapsedTimer timer;
        timer.start();
        comm.ClosePort();
        QVERIFY2(timer.elapsed() < 200, qPrintable(QString::number(timer.elapsed())));
        QVERIFY(!comm.IsOpen());
    }

    // An owner too busy to take its chunks holds the far end back: no more than the bound
    // wait in its event queue, and once it takes them every byte is there, in order.
    void aBusyOwnerHoldsTheLineBackAndLosesNothing()
    {
        PtyPair pty;
        TComm comm;
        Recorder rec;
        rec.attach(comm);
        comm.SetCommName(path(pty));
        comm.SetOutx_XonXoffFlow(false); // the pattern holds X-on/X-off bytes
        comm.SetInx_XonXoffFlow(false);
        comm.OpenPort();
        const QByteArray sent = pattern(1 << 20, 3); // far more than the driver holds
        std::atomic<bool> stop{false};
        std::thread farEnd([&] {
            for (qsizetype done = 0; done < sent.size() && !stop;) {
                const ssize_t n =
                    ::write(pty.master(), sent.constData() + done, size_t(sent.size() - done));
                if (n > 0) done += n;
                else QThread::msleep(1);
            }
        });
        const auto joined = qScopeGuard([&] {
            stop = true;
            farEnd.join();
        });
        QThread::msleep(500);
        QCoreApplication::sendPostedEvents(&comm, kNotifyReceiveData); // those waiting, no more
        QVERIFY2(rec.chunks.size() <= ReceiveCredits::kLimit,
                 qPrintable(QString::number(rec.chunks.size())));
        QTRY_COMPARE_WITH_TIMEOUT(rec.chunks.join().size(), sent.size(), 30000);
        QVERIFY(rec.chunks.join() == sent);
        QCOMPARE(rec.hangups, 0);
    }

    void openCloseCyclesKeepNoDescriptor()
    {
        PtyPair pty;
        TComm comm;
        comm.SetCommName(path(pty));
        comm.OnModemStateChange = [](TComm*, uint32_t) {};
        const int before = openDescriptors();
        for (int i = 0; i < 1000; ++i) {
            comm.OpenPort();
            if (i % 100 == 0) QVERIFY(comm.SendBytes("x", 1));
            comm.ClosePort();
        }
        QCOMPARE(openDescriptors(), before);
    }

    // With checking on, the driver marks bytes that carried a parity or framing error and
    // doubles a data 0xFF; what reaches the owner is the line's bytes as they were sent.
    void parityCheckMarksErrorsAndKeepsEveryByte()
    {
        PtyPair pty;
        TComm comm;
        Recorder rec;
        rec.attach(comm);
        comm.SetCommName(path(pty));
        comm.SetParityCheck(true);
        comm.SetOutx_XonXoffFlow(false);
        comm.SetInx_XonXoffFlow(false);
        comm.OpenPort();
        PortLine line;
        QVERIFY(readPortLine(pty.master(), line));
        QVERIFY(line.parityCheck && line.markErrors);
        const QByteArray sent("\xFF\x00\xFF\xFF\x41\xFF", 6);
        pty.write(sent);
        QTRY_COMPARE(rec.chunks.size(), 1);
        QCOMPARE(rec.chunks.first(), sent);

        comm.SetParityCheck(false);
        QVERIFY(readPortLine(pty.master(), line));
        QVERIFY(!line.parityCheck && !line.markErrors);
        pty.write(sent);
        QTRY_COMPARE(rec.chunks.size(), 2);
        QCOMPARE(rec.chunks.last(), sent);
    }

    void destroyingAnOpenComponentClosesIt()
    {
        PtyPair pty;
        {
            TComm comm;
            comm.SetCommName(path(pty));
            comm.OpenPort();
        }
        TComm again;
        again.SetCommName(path(pty));
        again.OpenPort(); // the port was released
        QVERIFY(again.IsOpen());
    }
};

QTEST_GUILESS_MAIN(TestComm)
#include "test_comm.moc"
