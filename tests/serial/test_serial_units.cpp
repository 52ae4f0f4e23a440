// Pieces of the serial component on their own: port names, line-status decoding, error
// marks, the modem watcher and the lifetime of a port thread.
#include "serial/CommEvents.h"
#include "serial/ErrorMarks.h"
#include "serial/LineStatus.h"
#include "serial/ModemWatcher.h"
#include "serial/PortName.h"
#include "serial/PortThread.h"
#include "serial/ReadThread.h"
#include "tests/support/Bytes.h"

#include <QElapsedTimer>
#include <QtTest>
#include <atomic>
#include <cerrno>
#include <csignal>
#include <fcntl.h>
#include <new>
#include <poll.h>
#include <pthread.h>
#include <sys/eventfd.h>
#include <unistd.h>

namespace {

// Counts the notifications a port thread posts to it.
class NotificationCounter : public QObject {
public:
    bool event(QEvent* e) override
    {
        acceptNotification(e); // as the component does
        if (e->type() == QEvent::Type(kNotifyRequestHangup)) ++hangups;
        if (e->type() == QEvent::Type(kNotifyReceiveData)) ++chunks;
        return QObject::event(e);
    }
    int hangups = 0;
    int chunks = 0;
};

std::shared_ptr<PortContext> contextFor(QObject* target)
{
    return std::make_shared<PortContext>(eventfd(0, EFD_CLOEXEC), eventfd(0, EFD_CLOEXEC), target);
}

// A thread that notices the close only when released, then still reads its own members and
// posts: what a worker stuck in a driver call would do after the close limit.
class LingeringThread : public PortThread {
public:
    LingeringThread(std::shared_ptr<PortContext> ctx, std::shared_ptr<std::atomic<int>> state)
        : PortThread(std::move(ctx)), state_(std::move(state)) {}

private:
    void run() override
    {
        while (*state_ == 0) ::poll(nullptr, 0, 1);
        QByteArray own = marker_; // touches this object after its owner let go of it
        ctx_->post(kNotifyRequestHangup);
        *state_ = own == "still here" && ctx_->fd >= 0 ? 2 : 3;
    }
    std::shared_ptr<std::atomic<int>> state_;
    QByteArray marker_ = "still here";
};

class ThrowingThread : public PortThread {
public:
    using PortThread::PortThread;

private:
    void run() override { throw std::bad_alloc(); }
};

// Blocks every signal in this thread and ignores every real-time signal, as a host program
// might; undone at the end of the scope.
class HostileSignals {
public:
    HostileSignals()
    {
        sigset_t all;
        sigfillset(&all);
        pthread_sigmask(SIG_BLOCK, &all, &mask_);
        for (int s = SIGRTMIN; s <= SIGRTMAX; ++s) {
            struct sigaction ignore{};
            ignore.sa_handler = SIG_IGN;
            sigaction(s, &ignore, &old_[s - SIGRTMIN]);
        }
    }
    ~HostileSignals()
    {
        for (int s = SIGRTMIN; s <= SIGRTMAX; ++s) sigaction(s, &old_[s - SIGRTMIN], nullptr);
        pthread_sigmask(SIG_SETMASK, &mask_, nullptr);
    }

private:
    sigset_t mask_;
    struct sigaction old_[64];
};

} // namespace

class TestSerialUnits : public QObject {
    Q_OBJECT

private slots:
    void portNames_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QString>("path");
        QTest::newRow("COM1") << "COM1" << "/dev/ttyS0";
        QTest::newRow("COM12") << "COM12" << "/dev/ttyS11";
        QTest::newRow("path") << "/tmp/vk742b-sim" << "/tmp/vk742b-sim";
        QTest::newRow("device") << "ttyUSB0" << "/dev/ttyUSB0";
        QTest::newRow("empty") << "" << "";
        QTest::newRow("COM0") << "COM0" << "/dev/COM0";
        QTest::newRow("COMx") << "COMx" << "/dev/COMx";
        QTest::newRow("COM") << "COM" << "/dev/COM";
        QTest::newRow("huge") << "COM99999999999999999999" << "/dev/COM99999999999999999999";
    }
    void portNames()
    {
        QFETCH(QString, name);
        QFETCH(QString, path);
        QCOMPARE(QString::fromStdString(devicePathFor(name.toStdString())), path);
    }

    // The watcher's wait blocks like the driver's modem wait: only a signal ends it.
    void modemWatcherStopsABlockedWait()
    {
        std::atomic<int> changes{0};
        std::atomic<int> calls{0};
        QElapsedTimer timer;
        {
            ModemWatcher watcher(
                [&] {
                    if (++calls <= 3) return 0; // three changes, then nothing more happens
                    return ::poll(nullptr, 0, -1);
                },
                [&] { ++changes; });
            QTRY_COMPARE(changes.load(), 3);
            timer.start();
        }
        QVERIFY2(timer.elapsed() < 200, qPrintable(QString::number(timer.elapsed())));

        // A driver that cannot wait ends the thread by itself.
        ModemWatcher unsupported([] { errno = EINVAL; return -1; }, [] {});
    }

    // The thread that opens the port may block signals, and other code may ignore or take
    // over any of them; the stop must not depend on either. The wait here is a read that a
    // signal handler installed with SA_RESTART would not even interrupt.
    void modemWatcherStopsWhateverTheSignalSetup()
    {
        int pipeFds[2];
        QVERIFY(::pipe(pipeFds) == 0);
        QElapsedTimer timer;
        {
            HostileSignals hostile;
            std::atomic<bool> waiting{false};
            ModemWatcher watcher(
                [&] {
                    waiting = true;
                    char byte;
                    return int(::read(pipeFds[0], &byte, 1));
                },
                [] {});
            QTRY_VERIFY(waiting.load());
            ::poll(nullptr, 0, 20); // let the read block
            timer.start();
        }
        QVERIFY2(timer.elapsed() < 200, qPrintable(QString::number(timer.elapsed())));
        ::close(pipeFds[0]);
        ::close(pipeFds[1]);
    }

    // A thread left running past the close limit keeps what it uses alive itself, and
    // nothing it posts reaches the component, which is gone by then.
    void threadLeftRunningTouchesNothingFreed()
    {
        auto state = std::make_shared<std::atomic<int>>(0);
        {
            NotificationCounter target;
            auto ctx = contextFor(&target);
            auto thread = std::make_shared<LingeringThread>(ctx, state);
            thread->start();
            ctx->signalClose();
            ctx->detach();
            QVERIFY(!thread->stop(std::chrono::milliseconds(20)));
        } // the owner's thread object, the context and the target are released here
        *state = 1;
        QTRY_VERIFY(*state >= 2);
        QCOMPARE(state->load(), 2);
        QCoreApplication::processEvents(); // nothing was posted to the freed target
    }

    // A line that never pauses must not hold the receive thread in its read loop.
    // /dev/zero stands in for it: unlike a pseudo-terminal, whose kernel side refills in
    // steps, it is never read empty.
    void receiveThreadEndsPromptlyUnderAFlood()
    {
        NotificationCounter target;
        auto ctx = std::make_shared<PortContext>(::open("/dev/zero", O_RDONLY | O_NONBLOCK | O_CLOEXEC),
                                                 eventfd(0, EFD_CLOEXEC), &target);
        auto reader = std::make_shared<TReadThread>(ctx);
        reader->start();
        QTRY_VERIFY(target.chunks >= 3);
        ctx->signalClose();
        QElapsedTimer timer;
        timer.start();
        const bool ended = reader->stop(std::chrono::milliseconds(2000));
        QVERIFY2(ended && timer.elapsed() < 200, qPrintable(QString::number(timer.elapsed())));
        ctx->detach();
    }

    void failureInsideAThreadIsAHangUp()
    {
        NotificationCounter target;
        auto ctx = contextFor(&target);
        auto thread = std::make_shared<ThrowingThread>(ctx);
        thread->start();
        QVERIFY(thread->stop(std::chrono::milliseconds(5000)));
        QTRY_COMPARE(target.hangups, 1);
    }

    void errorMarksAreUndone()
    {
        ErrorMarks marks;
        QByteArray line = hex("41 FF FF 42 FF 00 43 FF 00 00 44");
        auto run = [&](QByteArray& bytes, bool replace = false, uint8_t with = 0) {
            auto* data = reinterpret_cast<uint8_t*>(bytes.data());
            bytes.resize(qsizetype(marks.unmark(data, size_t(bytes.size()), replace, with)));
        };
        run(line);
        QCOMPARE(line, hex("41 FF 42 43 00 44"));
        QCOMPARE(marks.takeErrorCount(), size_t(2));
        QCOMPARE(marks.takeErrorCount(), size_t(0));

        // A mark cut between two reads, and a replacement for the byte it marks.
        QByteArray first = hex("50 FF"), second = hex("00"), third = hex("51 FF"), fourth = hex("FF 52");
        run(first, true, '?');
        run(second, true, '?');
        run(third, true, '?');
        run(fourth, true, '?');
        QCOMPARE(first + second + third + fourth, QByteArray("P?") + hex("FF 52"));
        QCOMPARE(marks.takeErrorCount(), size_t(1));

        // A stray 0xFF the driver never sends alone does not push the output past the input.
        QByteArray stray = hex("FF 41 42");
        run(stray);
        QCOMPARE(stray, QByteArray("AB"));
    }

    void lineStatusFlags()
    {
        LineStatus::Counters a, b;
        QCOMPARE(LineStatus::errorFlags(a, b), 0u);
        b.frame = 1;
        b.parity = 3;
        QCOMPARE(LineStatus::errorFlags(a, b), LineStatus::kFrame | LineStatus::kRxParity);
        b = a;
        b.overrun = 1;
        b.bufOverrun = 1;
        b.brk = 2;
        QCOMPARE(LineStatus::errorFlags(a, b), 0x1u | 0x2u | 0x10u);
        b = a;
        b.dcd = 1;
        QCOMPARE(LineStatus::modemEvent(a, b), 8u);
        b.rng = 1;
        QCOMPARE(LineStatus::modemEvent(a, b), 12u);
        b.dcd = 0;
        QCOMPARE(LineStatus::modemEvent(a, b), 4u);
    }
};

QTEST_GUILESS_MAIN(TestSerialUnits)
#include "test_serial_units.moc"
