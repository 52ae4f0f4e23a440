// Pure pieces of the serial component: port names and line-status decoding.
#include "serial/LineStatus.h"
#include "serial/ModemWatcher.h"
#include "serial/PortName.h"

#include <QElapsedTimer>
#include <QtTest>
#include <atomic>
#include <cerrno>
#include <poll.h>

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
