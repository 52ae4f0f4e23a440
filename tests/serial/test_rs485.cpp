// RS-485 direction control as the driver sees it. The test executable is linked with
// --wrap=ioctl, so every ioctl the serial component makes passes through fakeDriverIoctl
// below: RS-485 requests meet a UART the system configured for RS-485, the rest go to the
// pseudo-terminal as usual.
#include "serial/Comm.h"
#include "tests/support/PtyPair.h"

#include <QtTest>
#include <atomic>
#include <cerrno>
#include <cstdarg>
#include <linux/serial.h>
#include <mutex>
#include <sys/ioctl.h>

extern "C" int __real_ioctl(int fd, unsigned long request, ...);

namespace {

struct FakeUart {
    std::mutex lock;
    bool hasRs485 = true;
    serial_rs485 config{};
    std::atomic<int> rs485Calls{0};
    std::atomic<int> rtsRaised{0}, rtsDropped{0}; // counted on the transmit thread too

    int handle(int fd, unsigned long request, void* arg)
    {
        std::lock_guard guard(lock);
        if (request == TIOCGRS485 || request == TIOCSRS485) {
            ++rs485Calls;
            if (!hasRs485) {
                errno = ENOTTY;
                return -1;
            }
            auto* record = static_cast<serial_rs485*>(arg);
            if (request == TIOCGRS485)
                *record = config;
            else
                config = *record;
            return 0;
        }
        if ((request == TIOCMBIS || request == TIOCMBIC) && *static_cast<int*>(arg) == TIOCM_RTS)
            ++(request == TIOCMBIS ? rtsRaised : rtsDropped);
        return __real_ioctl(fd, request, arg);
    }
    void reset(bool rs485)
    {
        std::lock_guard guard(lock);
        hasRs485 = rs485;
        // As a device tree might leave it: RS-485 on, RTS high after sending, with delays.
        config = {};
        config.flags = SER_RS485_ENABLED | SER_RS485_RTS_AFTER_SEND;
        config.delay_rts_before_send = 3;
        config.delay_rts_after_send = 5;
        rs485Calls = 0;
        rtsRaised = 0;
        rtsDropped = 0;
    }
    bool configIsTheSystems()
    {
        std::lock_guard guard(lock);
        return config.flags == (SER_RS485_ENABLED | SER_RS485_RTS_AFTER_SEND) &&
               config.delay_rts_before_send == 3 && config.delay_rts_after_send == 5;
    }
};

FakeUart uart;

} // namespace

extern "C" int __wrap_ioctl(int fd, unsigned long request, ...)
{
    va_list args;
    va_start(args, request);
    void* arg = va_arg(args, void*);
    va_end(args);
    return uart.handle(fd, request, arg);
}

class TestRs485 : public QObject {
    Q_OBJECT

    PtyPair pty;
    TComm comm;

private slots:
    void init()
    {
        comm.SetCommName(QString::fromStdString(pty.slavePath()));
        comm.SetRtsControl(TRtsControl::RtsEnable);
    }
    void cleanup() { comm.ClosePort(); }

    void levelsAndSettingsLeaveTheSystemsRs485Alone()
    {
        uart.reset(true);
        comm.OpenPort();
        comm.SetRtsControl(TRtsControl::RtsDisable);
        comm.SetBaudRate(19200);
        comm.SetRtsControl(TRtsControl::RtsEnable);
        comm.SetStopBits(TStopBits::_2);
        comm.ClosePort();
        QCOMPARE(uart.rs485Calls.load(), 0);
        QVERIFY(uart.configIsTheSystems());
    }

    void askedForToggleUsesTheDriverAndPutsItBack()
    {
        uart.reset(true);
        comm.OpenPort();
        comm.SetRtsControl(TRtsControl::RtsTransmissionAvailable);
        {
            std::lock_guard guard(uart.lock);
            QCOMPARE(uart.config.flags & (SER_RS485_ENABLED | SER_RS485_RTS_ON_SEND |
                                          SER_RS485_RTS_AFTER_SEND),
                     uint32_t(SER_RS485_ENABLED | SER_RS485_RTS_ON_SEND));
        }
        const int callsWhileOn = uart.rs485Calls;
        comm.SetBaudRate(4800); // a re-apply keeps the driver's toggle without asking again
        QCOMPARE(uart.rs485Calls.load(), callsWhileOn);
        const int raisedBefore = uart.rtsRaised;
        QVERIFY(comm.SendBytes("abc", 3));
        QCOMPARE(pty.readQuiet(), QByteArray("abc"));
        QCOMPARE(uart.rtsRaised.load(), raisedBefore); // the driver drives RTS, not the transmit thread

        comm.SetRtsControl(TRtsControl::RtsDisable);
        QVERIFY(uart.configIsTheSystems());
        comm.SetRtsControl(TRtsControl::RtsTransmissionAvailable);
        QVERIFY(!uart.configIsTheSystems());
        comm.ClosePort(); // a close puts it back too
        QVERIFY(uart.configIsTheSystems());
    }

    void withoutDriverSupportTheTransmitThreadRaisesRts()
    {
        uart.reset(false);
        comm.SetRtsControl(TRtsControl::RtsTransmissionAvailable);
        comm.OpenPort();
        const int raisedAtOpen = uart.rtsRaised;
        QVERIFY(comm.SendBytes("hello", 5));
        QCOMPARE(pty.readQuiet(), QByteArray("hello"));
        QTRY_COMPARE(uart.rtsRaised.load(), raisedAtOpen + 1);
        QTRY_VERIFY(uart.rtsDropped >= 1);
    }
};

QTEST_GUILESS_MAIN(TestRs485)
#include "test_rs485.moc"
