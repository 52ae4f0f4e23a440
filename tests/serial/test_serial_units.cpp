// Pieces of the termios backend on their own: line-status decoding, error marks, the modem
// watcher and the receive thread under a flood. What every platform shares is tested in
// test_serial_core.
#include "serial/CommEvents.h"
#include "serial/posix/ErrorMarks.h"
#include "serial/posix/LineStatus.h"
#include "serial/posix/ModemWatcher.h"
#include "serial/posix/ReadThread.h"
#include "tests/support/Bytes.h"

#include <QElapsedTimer>
#include <QtTest>
#include <atomic>
#include <cerrno>
#include <csignal>
#include <fcntl.h>
#include <poll.h>
#include <pthread.h>
#include <unistd.h>

namespace {

// Counts the notifications a port thread posts to it.
class NotificationCounter : public QObject {
public:
    bool event(QEvent* e) override
    {
        acceptNotification(e); // as the component does
        if (e->type() == QEvent::Type(kNotifyReceiveData)) ++chunks;
        return QObject::event(e);
    }
    int chunks = 0;
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

    // A line that never pauses must not hold the receive thread in its read loop.
    // /dev/zero stands in for it: unlike a pseudo-terminal, whose kernel side refills in
    // steps, it is never read empty.
    void receiveThreadEndsPromptlyUnderAFlood()
    {
        NotificationCounter target;
        auto ctx = std::make_shared<PortContext>(
            ::open("/dev/zero", O_RDONLY | O_NONBLOCK | O_CLOEXEC), ManualEvent(),
            [&target](CommNotice&& notice) { postNotification(&target, std::move(notice)); });
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
