// Hex text, decimal conversion, error texts and the MODBUS request with its CRC.
#include "exchange/Conversion.h"
#include "exchange/Messages.h"
#include "tools/Crc16.h"
#include "tools/HexText.h"
#include "tools/ModbusTest.h"

#include <QRandomGenerator>
#include <QtTest>

namespace {

uint16_t bitwiseCrc(const QByteArray& data)
{
    uint16_t crc = 0xFFFF;
    for (const char c : data) {
        crc ^= static_cast<uint8_t>(c);
        for (int bit = 0; bit < 8; ++bit) crc = (crc & 1) ? (crc >> 1) ^ 0xA001 : crc >> 1;
    }
    return crc;
}

QByteArray bytes(std::initializer_list<int> values)
{
    QByteArray out;
    for (int v : values) out.append(static_cast<char>(v));
    return out;
}

} // namespace

class TestTools : public QObject {
    Q_OBJECT

private slots:
    void hexText()
    {
        QCOMPARE(ByteToHex(0), QString("00"));
        QCOMPARE(ByteToHex(0xAB), QString("AB"));
        QCOMPARE(ByteToHex(255), QString("FF"));
        QCOMPARE(ByteToHex(256), QString("."));
        QCOMPARE(hexDisplay(bytes({0x06, 0x02})), QString("06 02 "));
        QCOMPARE(hexDisplay(QByteArray()), QString());
    }

    void decimalConversion()
    {
        QCOMPARE(StrToInt("0"), 0);
        QCOMPARE(StrToInt("001"), 1);
        QCOMPARE(StrToInt("-5"), -5);
        QCOMPARE(StrToInt("+7"), 7);
        QCOMPARE(StrToInt("2147483647"), INT32_MAX);
        QCOMPARE(StrToInt("-2147483648"), INT32_MIN);
        for (const char* bad : {"", "-", "+", " 1", "1 ", "1a", "abc", "2147483648",
                                "-2147483649", "99999999999999999999", "0x10", "1.5"}) {
            try {
                StrToInt(bad);
                QFAIL(bad);
            } catch (const EConvertError& e) {
                QCOMPARE(QString(e.what()), QString("'%1' is not a valid integer value").arg(bad));
            }
        }
    }

    void fullStopRule()
    {
        QCOMPARE(withFullStop("Error opening serial port"), QString("Error opening serial port."));
        QCOMPARE(withFullStop("File handle is not a comm handle "),
                 QString("File handle is not a comm handle "));
        QCOMPARE(withFullStop("'' is not a valid integer value"),
                 QString("'' is not a valid integer value."));
        QCOMPARE(withFullStop("done."), QString("done."));
        QCOMPARE(withFullStop("!"), QString("!"));
        QCOMPARE(withFullStop(""), QString(""));
    }

    void crcTablesMatchThePolynomial()
    {
        QRandomGenerator rng(742);
        for (int round = 0; round < 500; ++round) {
            QByteArray data(int(rng.bounded(1, 64)), '\0');
            for (char& c : data) c = static_cast<char>(rng.bounded(256));
            const auto crc = crc16Modbus(reinterpret_cast<const uint8_t*>(data.constData()),
                                         size_t(data.size()));
            QCOMPARE(uint16_t(crc.low | crc.high << 8), bitwiseCrc(data));
        }
    }

    void modbusRequests()
    {
        QCOMPARE(modbusReadRequest(1, 0, 10), bytes({0x01, 0x03, 0, 0, 0, 0x0A, 0xC5, 0xCD}));
        QCOMPARE(modbusReadRequest(1, 0, 1), bytes({0x01, 0x03, 0, 0, 0, 0x01, 0x84, 0x0A}));
        QCOMPARE(modbusReadRequest(17, 107, 3), bytes({0x11, 0x03, 0, 0x6B, 0, 0x03, 0x76, 0x87}));
        // Only the low 8 bits of each value are sent.
        const QByteArray wide = modbusReadRequest(1, 300, 10);
        QCOMPARE(uint8_t(wide[2]), uint8_t(0));
        QCOMPARE(uint8_t(wide[3]), uint8_t(0x2C));
        QCOMPARE(uint8_t(modbusReadRequest(256, 0, 1)[0]), uint8_t(0));
        QCOMPARE(uint8_t(modbusReadRequest(-1, 0, 1)[0]), uint8_t(0xFF));
    }
};

QTEST_GUILESS_MAIN(TestTools)
#include "test_tools.moc"
