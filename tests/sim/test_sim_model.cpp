// The converter stand-in's protocol models, without I/O.
#include "pages/system/SystemCodec.h"
#include "tests/support/Bytes.h"
#include "sim/ModbusSlave.h"
#include "sim/Simulator.h"
#include "tools/Crc16.h"
#include "tools/ModbusTest.h"

#include <QRandomGenerator>
#include <QtTest>
#include <bit>

namespace {

QByteArray hartFrame(const QByteArray& afterPreamble, int preambles = 7)
{
    QByteArray frame(preambles, char(0xFF));
    uint8_t sum = 0;
    for (char c : afterPreamble) sum ^= uint8_t(c);
    return frame + afterPreamble + char(sum);
}

bool crcOk(const QByteArray& frame)
{
    const auto crc = crc16Modbus(reinterpret_cast<const uint8_t*>(frame.constData()),
                                 size_t(frame.size() - 2));
    return uint8_t(frame[frame.size() - 2]) == crc.low && uint8_t(frame.back()) == crc.high;
}

} // namespace

class TestSimModel : public QObject {
    Q_OBJECT

private slots:
    void setRequestsChangeTheState()
    {
        Simulator sim;
        const ConverterState& s = sim.model.state;
        const struct {
            QByteArray request, reply;
        } cases[] = {
            {"QQS#BA1:72#", "QQS#BA1:OK#"},        {"QQS#BA2:41#", "QQS#BA2:OK#"},
            {"QQS#MD:2#", "QQS#MD:OK#"},           {"QQS#ADR:017#", "QQS#ADR:OK#"},
            {"QQS#XY1:0#", "QQS#XY1:OK#"},         {"QQS#XY2:5#", "QQS#XY2:OK#"},
            {"QQS#JTM:020#", "QQS#JTM:OK#"},       {"QQS#AADR:00100#", "QQS#AADR:OK#"},
            {"QQS#BADR:40001#", "QQS#BADR:OK#"},   {"QQS#YB:1#", "QQS#YB:OK#"},
            {"KQTRLV#PCBSN:00001234,007#", "KQTRLV#PCBSN:OK#"},
            {"QQS#HART2:1,0,13,7,010#", "QQS#HART:OK#"},
            {"QQS#DFOT2:10234#", "QQS#DFOT:OK#"},
            {"QQS#MDBS1:8,1071,0000,0000,2123#", "QQS#MDBS:OK#"},
            {"QQS#FMW:2,0.001#", "QQS#FMW:OK#"},
            {"QQS#FMU:1.000,2.500,0.010#", "QQS#FMU:OK#"},
            {QByteArray("QQS#CAMD01:1<03,\xFF\x82\x03", 19), "QQS#CAMD:OK#"},
            {QByteArray("QQS#WCAD02:1<02,\x01\x03", 18), "QQS#WCAD:OK#"},
        };
        for (const auto& c : cases) QCOMPARE(sim.answer(c.request, 0), c.reply);
        QCOMPARE(s.baud1, 7);
        QCOMPARE(s.parity1, 2);
        QCOMPARE(sim.baudRate(), 115200);
        QCOMPARE(s.address, 17);
        QCOMPARE(s.baseB, 40001);
        QCOMPARE(s.boardSerial, QByteArray("00001234"));
        QCOMPARE(s.devices[2].meterType, 13);
        QCOMPARE(s.devices[2].formats, (std::array<int, 5>{1, 0, 2, 3, 4}));
        QCOMPARE(s.devices[1].addressBitsDigit, 8);
        QCOMPARE(s.devices[1].parsing[3].start, 12);
        QCOMPARE(s.devices[0].custom[0].bytes, QByteArray("\xFF\x82\x03", 3));
        QCOMPARE(s.monitors[1].bytes, QByteArray("\x01\x03", 2));

        QCOMPARE(sim.answer("QQS#RESET#", 0), QByteArray("QQS#RESET:OK#"));
        QCOMPARE(s.address, 1);
        QCOMPARE(s.baud1, 3);
    }

    void malformedRequestsChangeNothing()
    {
        Simulator sim;
        const QByteArray before = sim.answer("QQQ#QX#", 0);
        for (const char* bad : {"QQS#BA1:8#", "QQS#BA1:3#", "QQS#BA1:30", "QQS#ADR:0a1#",
                                "QQS#ADR::00#", "QQS#ADR:00+#", "QQS#MD:5#", "QQS#XY1:6#",
                                "QQS#NOPE:1#", "QQS#HART9:1,1,13,5,010#", "QQS#DFOT0:12#",
                                "QQS#MDBS0:8,1071#", "QQS#CAMD01:1<05,ab", "QQS#WCAD07:1<00,",
                                "KQTRLV#PCBSN:abc,001#", "KQTRLV#PCBSN:1,#", "QQS#",
                                "QQQ#QQ9#", "QQQ#RCAD07#", "QQQ#", "KQTRLV#"}) {
            const QByteArray reply = sim.answer(bad, 0);
            QVERIFY2(reply.contains("ERR"), bad);
        }
        QCOMPARE(sim.answer("QQQ#QX#", 0), before);
    }

    void queryRepliesDecodeInTheTool()
    {
        Simulator sim;
        sim.answer("QQS#BA2:41#", 0);
        sim.answer("QQS#ADR:005#", 0);
        sim.answer("QQS#AADR:00100#", 0);
        sim.answer("QQS#BADR:00200#", 0);
        const QByteArray reply = sim.answer("QQQ#QX#", 0);
        QVERIFY(reply.size() <= 255);
        const Decoded d = SystemCodec::decodeReply(reply);
        QVERIFY(!d.error);
        QStringList got;
        for (const FieldUpdate& u : d.updates)
            got << u.control + '=' + (u.kind == FieldUpdate::Kind::ItemIndex ? QString::number(u.index)
                                                                             : QString(u.text));
        QCOMPARE(got, QStringList({"ComboBox2=3", "ComboBox4=0", "ComboBox8=4", "ComboBox9=1",
                                   "ComboBox7=0", "ComboBox14=0", "Edit14=005", "RS485ADY=3",
                                   "RS485BDY=3", "Edit6=050", "ABadr=00100", "BBadr=00200"}));

        sim.answer(QByteArray("QQS#CAMD31:1<03,\xFF\x82\x03", 19), 0);
        const QByteArray slot = sim.answer("QQQ#QQ3#", 0);
        QVERIFY(slot.size() <= 255);
        QVERIFY(slot.contains("HART3:1,1,01,5,010#"));
        QVERIFY(slot.contains("CAMD31:1<03,FF 82 03#"));
        QVERIFY(slot.indexOf("DFO3:") > 0 && slot.indexOf("ZDY3:") > 0);

        sim.answer(QByteArray("QQS#WCAD01:1<06,\x01\x03\x00\x00\x00\x02", 22), 0);
        QCOMPARE(sim.answer("QQQ#RCAD01#", 0), QByteArray("QQQ#RCAD1:1<06,01 03 00 00 00 02#"));
        QCOMPARE(sim.answer("QQQ#QV#", 0), QByteArray("QQQ#QV:VK742-B V6.0#"));
    }

    void hartLoop()
    {
        Simulator sim; // transparent mode at start
        // Command 0 to polling address 1, as the tool frames it.
        const QByteArray identify = sim.answer(hartFrame(bytes({0x02, 0x81, 0x00, 0x00})), 0);
        const qsizetype i = identify.indexOf(QByteArray("\xFF\x06", 2));
        QCOMPARE(i, 4); // five preambles
        QCOMPARE(uint8_t(identify[i + 8]), uint8_t(0x11));
        QCOMPARE(uint8_t(identify[i + 9]), uint8_t(0x22));
        QCOMPARE(identify.mid(i + 16, 3), bytes({0x00, 0x12, 0x34}));
        uint8_t sum = 0;
        for (qsizetype k = i + 1; k < identify.size() - 1; ++k) sum ^= uint8_t(identify[k]);
        QCOMPARE(uint8_t(identify.back()), sum);

        // Command 3 by long address: the full reply with four variables.
        const QByteArray longAddress = bytes({0x82, 0x80 | 0x11, 0x22, 0x00, 0x12, 0x34});
        const QByteArray values = sim.answer(hartFrame(longAddress + bytes({0x03, 0x00})), 42.0);
        const qsizetype j = values.indexOf(QByteArray("\xFF\x86", 2));
        QVERIFY(j >= 0);
        QCOMPARE(uint8_t(values[j + 8]), uint8_t(26));
        QCOMPARE(uint8_t(values[j + 15]), uint8_t(7)); // bar
        uint32_t bits = 0;
        for (int k = 0; k < 4; ++k) bits = bits << 8 | uint8_t(values[j + 16 + k]);
        QVERIFY(std::abs(std::bit_cast<float>(bits) - 1.25f) < 0.1f);

        // A bad checksum or an unknown address gets no answer.
        QByteArray corrupt = hartFrame(bytes({0x02, 0x81, 0x00, 0x00}));
        corrupt[corrupt.size() - 1] = char(corrupt.back() ^ 1);
        QVERIFY(sim.answer(corrupt, 0).isEmpty());
        QVERIFY(sim.answer(hartFrame(bytes({0x02, 0x89, 0x00, 0x00})), 0).isEmpty());
        QVERIFY(sim.answer(hartFrame(bytes({0x02, 0x81, 0x00, 0x00}), 1), 0).isEmpty());

        // Command 6 moves the instrument; an unknown command is "not implemented".
        const QByteArray moved = sim.answer(hartFrame(longAddress + bytes({0x06, 0x01, 0x07})), 0);
        QCOMPARE(uint8_t(moved[moved.indexOf(QByteArray("\xFF\x86", 2)) + 9]), uint8_t(0));
        QVERIFY(!sim.answer(hartFrame(bytes({0x02, 0x87, 0x00, 0x00})), 0).isEmpty());
        const QByteArray unknown = sim.answer(hartFrame(longAddress + bytes({0x21, 0x00})), 0);
        QCOMPARE(uint8_t(unknown[unknown.indexOf(QByteArray("\xFF\x86", 2)) + 9]), uint8_t(64));
    }

    void modbusSide()
    {
        Simulator sim;
        sim.answer("QQS#MD:1#", 0);
        const QByteArray reply = sim.answer(modbusReadRequest(1, 0, 10).bytes, 5.0);
        QCOMPARE(reply.size(), 3 + 20 + 2);
        QCOMPARE(reply.left(3), bytes({0x01, 0x03, 20}));
        QVERIFY(crcOk(reply));
        // Slot 0 publishes instrument 0's loop current as a float, most significant first.
        uint32_t bits = 0;
        for (int k = 0; k < 4; ++k) bits = bits << 8 | uint8_t(reply[3 + k]);
        QVERIFY(std::abs(std::bit_cast<float>(bits) - 12.0f) <= 4.0f);

        for (const QByteArray& outsideRequest :
             {modbusReadRequest(1, 45, 10).bytes, modbusReadRequest(1, 300, 10).bytes}) {
            const QByteArray outside = sim.answer(outsideRequest, 0);
            QCOMPARE(outside.left(3), bytes({0x01, 0x83, 0x02}));
            QVERIFY(crcOk(outside));
        }
        QCOMPARE(sim.answer(modbusReadRequest(1, 40, 10).bytes, 0).size(), 3 + 20 + 2);
        QByteArray write = modbusReadRequest(1, 0, 1).bytes;
        write[1] = 0x06;
        const auto crc = crc16Modbus(reinterpret_cast<const uint8_t*>(write.constData()), 6);
        write[6] = char(crc.low);
        write[7] = char(crc.high);
        QCOMPARE(sim.answer(write, 0).left(3), bytes({0x01, 0x86, 0x01}));
        QVERIFY(sim.answer(modbusReadRequest(2, 0, 1).bytes, 0).isEmpty());
        QByteArray bad = modbusReadRequest(1, 0, 1).bytes;
        bad[7] = char(bad[7] ^ 1);
        QVERIFY(sim.answer(bad, 0).isEmpty());
    }

    void registerFormats()
    {
        const auto ab = ModbusSlave::encode(12.5f, 0), cd = ModbusSlave::encode(12.5f, 1);
        QCOMPARE(ab[0], uint16_t(0x4148));
        QCOMPARE(ab[1], uint16_t(0x0000));
        QCOMPARE(cd[0], uint16_t(0x0000));
        QCOMPARE(cd[1], uint16_t(0x4148));
        QCOMPARE(ModbusSlave::encode(70000.0f, 2), (std::array<uint16_t, 2>{0x0001, 0x1170}));
        QCOMPARE(ModbusSlave::encode(70000.0f, 3), (std::array<uint16_t, 2>{0x1170, 0x0001}));
        // Absolute value: the float's magnitude, words swapped (5.0 is 40A0 0000).
        QCOMPARE(ModbusSlave::encode(-5.0f, 4), (std::array<uint16_t, 2>{0x0000, 0x40A0}));
    }

    void survivesRandomBytes()
    {
        Simulator sim;
        const QByteArray before = sim.answer("QQQ#QX#", 0);
        QRandomGenerator rng(20261208);
        const QByteArray prefixes[] = {"QQS#", "QQQ#", "KQTRLV#", "", QByteArray(7, char(0xFF))};
        for (int i = 0; i < 10000; ++i) {
            QByteArray junk(int(rng.bounded(0, 80)), '\0');
            for (char& c : junk) c = char(rng.bounded(256));
            sim.answer(prefixes[i % 5] + junk, i * 0.01);
            sim.model.state.mode = i % 3; // through the HART and MODBUS sides too
        }
        sim.model.state.mode = 0;
        // Random bytes may happen to be a valid set request; the replies must still be sound.
        QVERIFY(SystemCodec::decodeReply(sim.answer("QQQ#QX#", 0)).updates.size() == 12);
        QCOMPARE(sim.answer("QQQ#QV#", 0), QByteArray("QQQ#QV:VK742-B V6.0#"));
        QCOMPARE(sim.answer("QQS#RESET#", 0), QByteArray("QQS#RESET:OK#"));
        QCOMPARE(sim.answer("QQQ#QX#", 0), before);
    }
};

QTEST_GUILESS_MAIN(TestSimModel)
#include "test_sim_model.moc"
