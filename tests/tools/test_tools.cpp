// Hex text, decimal conversion, error texts and the MODBUS request with its CRC.
#include "exchange/Conversion.h"
#include "tests/support/Bytes.h"
#include "tests/support/RecordingMessages.h"
#include "exchange/Messages.h"
#include "tools/Crc16.h"
#include "tools/FloatText.h"
#include "tools/HexPairs.h"
#include "tools/HexText.h"
#include "tools/Ieee754.h"
#include "tools/ModbusTest.h"

#include <QRandomGenerator>
#include "tests/support/Built.h"

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

    void conversionMessageKeepsNulCharacters()
    {
        // Received text may hold NUL; the message shown must still name all of it.
        const QString text = QString::fromLatin1(QByteArray("1\0x", 3));
        const QString expected = "'" + text + "' is not a valid integer value";
        try {
            StrToInt(text);
            QFAIL("converted");
        } catch (const EConvertError& e) {
            QCOMPARE(e.message(), expected);
        }
        RecordingMessages messages;
        runHandler(messages, [&] { StrToInt(text); });
        QCOMPARE(messages.texts(), QStringList{expected + "."});
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

    void calculator_data()
    {
        QTest::addColumn<QString>("input");
        QTest::addColumn<QString>("shown");
        const char* noSpaces = "Input data contains no spaces";
        const char* invalid = "Invalid characters detected. Please re-enter!";
        const char* rows[][2] = {
            {"41 20 00 00", "10"},          {"3F 80 00 00", "1"},
            {"C2 C8 00 00", "-100"},        {"C0 49 0F DB", "-3.1415927"},
            {"3D CC CC CD", "0.10000000"},  {"42 F6 E9 79", "123.456001"},
            {"7F 7F FF FF", "3.40282E38"},  {"00 00 00 01", "1.4013E-45"},
            {"38 D1 B7 17", "1E-4"},        {"7F 80 00 00", "INF"},
            {"4E 6E 6B 28", "1000000000"},  {"50 15 02 F9", "1E10"},
            {"FF 80 00 00", "-INF"},        {"FF FF FF FF", "NAN"},
            {"80 00 00 00", "0"},           {"41", "8"},
            {"41 20 00 00 11", "10"},       {"41 20 00 00 ", invalid},
            {"41-20-00-00", noSpaces},      {"4120 0000", noSpaces},
            {"41 2G 00 00", invalid},       {"41 20 0 00", noSpaces},
            {"3f 80 00 00", invalid},       {"", invalid},
            {"7F 80 00 01", "NAN"},
        };
        for (const auto& row : rows) QTest::newRow(row[0]) << row[0] << row[1];
    }
    void calculator()
    {
        QFETCH(QString, input);
        QFETCH(QString, shown);
        const auto result = ieee754Calculate(input);
        if (const auto* value = std::get_if<QString>(&result))
            QCOMPARE(*value, shown);
        else
            QCOMPARE(std::get<CalculatorMessage>(result).text, shown);
    }

    void generalNumberFormat()
    {
        QCOMPARE(generalFormat(3.40282346638529e38), QString("3.40282346638529E38"));
        QCOMPARE(generalFormat(1.40129846432482e-45), QString("1.40129846432482E-45"));
        QCOMPARE(generalFormat(0.0001), QString("0.0001"));
        QCOMPARE(generalFormat(1e14), QString("100000000000000"));
        QCOMPARE(generalFormat(1e15), QString("1E15"));
        QCOMPARE(generalFormat(1e16), QString("1E16"));
        QCOMPARE(generalFormat(-2.5e-7), QString("-2.5E-7"));
        QCOMPARE(generalFormat(12.5, u','), QString("12,5"));
        QCOMPARE(generalFormat(double(singleFromBits(0x3DCCCCCD))), QString("0.100000001490116"));
        QCOMPARE(generalFormat(-0.0), QString("0"));
    }

    // A text longer than its field keeps its magnitude: only fraction digits are cut,
    // otherwise the exponent form with as many digits as fit.
    void fieldWidths()
    {
        QCOMPARE(fitGeneral(1e9, 9), QString("1E9"));
        QCOMPARE(fitGeneral(123456789, 9), QString("123456789"));
        QCOMPARE(fitGeneral(1234567891, 9), QString("1.23457E9"));
        QCOMPARE(fitGeneral(-1234567891, 9), QString("-1.2346E9"));
        QCOMPARE(fitGeneral(1234.56774902344, 9), QString("1234.5677"));
        QCOMPARE(fitGeneral(3.40282346638529e38, 10), QString("3.40282E38"));
        QCOMPARE(fitGeneral(-2.5e-7, 9), QString("-2.5E-7"));
        QCOMPARE(fitGeneral(1.40129846432482e-45, 9, u','), QString("1,401E-45"));
        QCOMPARE(fitGeneral(12.5, 9), QString("12.5"));
    }

    void hexPairs()
    {
        QCOMPARE(bytesOf(parseHexPairs("76 89 FD AD", 15)), bytes({0x76, 0x89, 0xFD, 0xAD}));
        QCOMPARE(bytesOf(parseHexPairs("FF 82 ", 14)), bytes({0xFF, 0x82}));
        QCOMPARE(bytesOf(parseHexPairs("", 14)), QByteArray());
        QString fifteen;
        for (int i = 0; i < 15; ++i) fifteen += QString("%1 ").arg(i, 2, 16, QChar('0')).toUpper();
        fifteen.chop(1); // 44 characters
        QCOMPARE(parseHexPairs(fifteen, 15).bytes.size(), 15);
        // What is typed is what is sent: more pairs than fit, or half a pair, is refused
        // with the limit rather than cut.
        const QString limit14 = "At most 14 pairs of hex digits, separated by single blanks (76 89 FD AD).";
        QCOMPARE(parseHexPairs(fifteen, 14).refusal, limit14);
        QCOMPARE(parseHexPairs("FF 8", 14).refusal, limit14);
        QCOMPARE(parseHexPairs("02 80 00 0", 15).refusal,
                 QString("At most 15 pairs of hex digits, separated by single blanks (76 89 FD AD)."));
        // Separators are checked: "02800000" used to send 02 00 00.
        for (const char* run : {"02800000", "02-80", "02 80,00", "02 800"})
            QCOMPARE(parseHexPairs(run, 15).refusal, QString("NO SPACK"));
        QCOMPARE(parseHexPairs("", 15, false).refusal, QString("NO SPACK"));
        for (const char* bad : {"ff 82", "FG 82", "F 82", "0a", "02 8.", "02 8-", "02  80"})
            QCOMPARE(parseHexPairs(bad, 15).refusal, QString("Data eeore!"));
    }

    void modbusRequests()
    {
        QCOMPARE(bytesOf(modbusReadRequest(1, 0, 10)), bytes({0x01, 0x03, 0, 0, 0, 0x0A, 0xC5, 0xCD}));
        QCOMPARE(bytesOf(modbusReadRequest(1, 0, 1)), bytes({0x01, 0x03, 0, 0, 0, 0x01, 0x84, 0x0A}));
        QCOMPARE(bytesOf(modbusReadRequest(17, 107, 3)), bytes({0x11, 0x03, 0, 0x6B, 0, 0x03, 0x76, 0x87}));
        // Start and count go out whole, most significant byte first.
        const QByteArray wide = bytesOf(modbusReadRequest(1, 300, 125));
        QCOMPARE(wide.left(6), bytes({0x01, 0x03, 0x01, 0x2C, 0x00, 0x7D}));
        QCOMPARE(bytesOf(modbusReadRequest(247, 65535, 1)).left(6), bytes({0xF7, 0x03, 0xFF, 0xFF, 0x00, 0x01}));
        QCOMPARE(bytesOf(modbusReadRequest(0, 0, 1)).left(2), bytes({0x00, 0x03}));
        // Anything the frame cannot carry is refused, not cut to its low 8 bits.
        const struct {
            int slave, start, count;
            const char* refusal;
        } refused[] = {{248, 0, 1, "MODBUS Slave Address must be a number from 0 to 247."},
                       {-1, 0, 1, "MODBUS Slave Address must be a number from 0 to 247."},
                       {1, 65536, 1, "MODBUS Start Address must be a number from 0 to 65535."},
                       {1, -1, 1, "MODBUS Start Address must be a number from 0 to 65535."},
                       {1, 0, 0, "Read Data Length must be a number from 1 to 125."},
                       {1, 0, 126, "Read Data Length must be a number from 1 to 125."}};
        for (const auto& r : refused) QCOMPARE(modbusReadRequest(r.slave, r.start, r.count).refusal, QString(r.refusal));
    }
};

QTEST_GUILESS_MAIN(TestTools)
#include "test_tools.moc"
