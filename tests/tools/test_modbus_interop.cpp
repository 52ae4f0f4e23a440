// The MODBUS test against a real MODBUS implementation (libmodbus), both ways: libmodbus
// as the slave answering the tool's request, and as the master reading the stand-in.
#include "tests/support/LibmodbusSlave.h"
#include "tests/support/WindowRig.h"

#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <bit>
#include <cerrno>
#include <modbus/modbus.h>
#include <poll.h>
#include <unistd.h>

class TestModbusInterop : public QObject {
    Q_OBJECT

private slots:
    void libmodbusSlaveAnswersTheToolsTest()
    {
        Rig rig;
        rig.open();
        rig.get<QLineEdit>("Edit18")->setText("17");
        rig.get<QLineEdit>("Edit19")->setText("300");
        rig.get<QLineEdit>("Edit20")->setText("3");
        {
            // Register r holds 1000 + r.
            LibmodbusSlave slave(rig.pty.master(), 17, 1000, [](uint16_t* r) {
                for (int i = 0; i < 1000; ++i) r[i] = uint16_t(1000 + i);
            });
            rig.button("Button4")->click();
            QVERIFY2(rig.sent().startsWith("11 03 01 2C 00 03 "), qPrintable(rig.sent()));
            // Registers 300 to 302 hold 1300 to 1302 (05 14, 05 15, 05 16).
            QTRY_VERIFY_WITH_TIMEOUT(rig.shown().startsWith("11 03 06 05 14 05 15 05 16 "), 5000);
        }
        QCOMPARE(rig.shown().size(), 11 * 3);
        QVERIFY(rig.messages.entries.isEmpty());
    }

    void valuesTheFrameCannotCarryAreRefused()
    {
        Rig rig;
        rig.open();
        rig.get<QLineEdit>("Edit8")->setText("kept");
        const struct {
            const char *edit, *text, *refusal;
        } cases[] = {{"Edit18", "248", "MODBUS Slave Address must be a number from 0 to 247."},
                     {"Edit19", "65536", "MODBUS Start Address must be a number from 0 to 65535."},
                     {"Edit20", "126", "Read Data Length must be a number from 1 to 125."},
                     {"Edit20", "0", "Read Data Length must be a number from 1 to 125."}};
        for (const auto& c : cases) {
            for (const char* edit : {"Edit18", "Edit19", "Edit20"}) rig.get<QLineEdit>(edit)->setText("1");
            rig.get<QLineEdit>(c.edit)->setText(c.text);
            rig.button("Button4")->click();
            QCOMPARE(rig.messages.last(), QString(c.refusal));
            QCOMPARE(rig.sent(), QString("kept"));
        }
        QVERIFY(rig.pty.readQuiet(100, 300).isEmpty());
        QCOMPARE(rig.ex().pendingCode(), 0);
    }

    void libmodbusMasterReadsTheStandIn()
    {
        QTemporaryDir dir;
        const QString link = dir.filePath("vk742b-sim");
        QProcess sim;
        sim.start(VK_SIM_PATH, {"--link", link});
        QTRY_VERIFY(QFile::exists(link));

        modbus_t* ctx = modbus_new_rtu(qPrintable(link), 9600, 'N', 8, 1);
        QVERIFY(ctx);
        QCOMPARE(modbus_connect(ctx), 0);
        modbus_set_response_timeout(ctx, 3, 0);
        // Working mode 1 (single meter), set in the converter's own ASCII requests.
        const QByteArray mode("QQS#MD:1#");
        QCOMPARE(::write(modbus_get_socket(ctx), mode.constData(), size_t(mode.size())), ssize_t(mode.size()));
        QByteArray answer;
        for (int i = 0; i < 60 && !answer.endsWith('#'); ++i) {
            pollfd p{modbus_get_socket(ctx), POLLIN, 0};
            char buf[64];
            if (::poll(&p, 1, 100) > 0) answer.append(buf, ::read(p.fd, buf, sizeof buf));
        }
        QCOMPARE(answer, QByteArray("QQS#MD:OK#"));

        modbus_set_slave(ctx, 1);
        uint16_t regs[10] = {};
        QCOMPARE(modbus_read_registers(ctx, 0, 10, regs), 10);
        // Slot 0 publishes its instrument's loop current as a float, high word first.
        const float current = std::bit_cast<float>(uint32_t(regs[0]) << 16 | regs[1]);
        QVERIFY2(current >= 3.5f && current <= 20.5f, qPrintable(QString::number(current)));
        QCOMPARE(modbus_read_registers(ctx, 40, 10, regs), 10);
        // Past its registers the stand-in answers exception 02, as a real slave does.
        QCOMPARE(modbus_read_registers(ctx, 300, 10, regs), -1);
        QCOMPARE(errno, int(EMBXILADD));
        QCOMPARE(modbus_read_registers(ctx, 45, 10, regs), -1);
        QCOMPARE(errno, int(EMBXILADD));

        modbus_close(ctx);
        modbus_free(ctx);
        sim.terminate();
        sim.waitForFinished(2000);
    }
};

QTEST_MAIN(TestModbusInterop)
#include "test_modbus_interop.moc"
