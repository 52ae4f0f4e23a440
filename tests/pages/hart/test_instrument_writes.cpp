// The data of the requests that write an instrument's settings, against bytes written out
// by hand from the layouts, and the values refused before anything is sent.
#include "pages/hart/HartStatus.h"
#include "pages/hart/InstrumentWrites.h"
#include "tests/support/Bytes.h"

#include <QtTest>
#include <cmath>

using namespace InstrumentWrites;
Q_DECLARE_METATYPE(InstrumentWrites::Request)

class TestInstrumentWrites : public QObject {
    Q_OBJECT

private slots:
    void layouts_data()
    {
        QTest::addColumn<Request>("request");
        QTest::addColumn<int>("command");
        QTest::addColumn<QByteArray>("data");
        // Both bytes, whatever the address.
        QTest::newRow("6 address 0") << pollingAddress(0, true) << 6 << hex("00 01");
        QTest::newRow("6 address 9, loop current off") << pollingAddress(9, false) << 6 << hex("09 00");
        // "FT-101  " in six-bit codes: 06 14 2D 31 | 30 31 20 20; "A   ": 01 20 20 20.
        QTest::newRow("18 tag, descriptor, date")
            << tagDescriptorDate("ft-101", "a", QDate(2026, 12, 9)) << 18
            << hex("19 4B 71 C3 18 20") + hex("06 08 20 82 08 20 82 08 20 82 08 20") + hex("09 0C 7E");
        QTest::newRow("17 message of blanks") << message("") << 17 << hex("82 08 20").repeated(8);
        // '@' 00, '_' 1F, '?' 3F, blank 20.
        QTest::newRow("17 '@' and '_' are the code's ends") << message("@_?") << 17
                                                            << hex("01 FF E0") + hex("82 08 20").repeated(7);
        QTest::newRow("22 long tag, NUL-padded") << longTag(QString::fromUtf8("Dämpfer")) << 22
                                                 << hex("44 E4 6D 70 66 65 72") + QByteArray(25, '\0');
        QTest::newRow("34 damping 0.5 s") << damping(0.5f) << 34 << hex("3F 00 00 00");
        QTest::newRow("34 damping 0") << damping(0.0f) << 34 << hex("00 00 00 00");
        // Unit, then the upper value before the lower.
        QTest::newRow("35 range 0 to 250 kPa") << range(12, 0.0f, 250.0f) << 35 << hex("0C 43 7A 00 00 00 00 00 00");
        QTest::newRow("35 within the sensor") << range(12, -100.0f, 100.0f, SensorLimits{12, -200, 200, 10}) << 35
                                              << hex("0C 42 C8 00 00 C2 C8 00 00");
        QTest::newRow("35 sensor in another unit") << range(7, 0.0f, 500.0f, SensorLimits{12, -2, 2, 1}) << 35
                                                   << hex("07 43 FA 00 00 00 00 00 00");
        QTest::newRow("44 unit") << pvUnit(32) << 44 << hex("20");
        QTest::newRow("47 square root") << transferFunction(1) << 47 << hex("01");
        QTest::newRow("38 before HART 7") << resetChangedFlag(std::nullopt) << 38 << QByteArray();
        QTest::newRow("38 with the counter") << resetChangedFlag(0x0102) << 38 << hex("01 02");
        QTest::newRow("40 12 mA") << fixedCurrent(12.0f) << 40 << hex("41 40 00 00");
        QTest::newRow("40 leaves") << fixedCurrent(0.0f) << 40 << hex("00 00 00 00");
    }
    void layouts()
    {
        QFETCH(Request, request);
        QFETCH(int, command);
        QFETCH(QByteArray, data);
        QVERIFY2(request.ok(), qPrintable(request.refused));
        QCOMPARE(int(request.command), command);
        QCOMPARE(request.data.toHex(' '), data.toHex(' '));
    }

    void refusedBeforeSending_data()
    {
        QTest::addColumn<Request>("request");
        QTest::addColumn<QString>("why");
        QTest::newRow("address 64") << pollingAddress(64, true) << "a polling address is 0 to 63, not 64";
        QTest::newRow("tag too long") << tagDescriptorDate("FT-101-AB", "", QDate(2026, 1, 1))
                                      << "the tag holds at most 8 characters, not 9";
        QTest::newRow("tag with a character packed ASCII lacks")
            << tagDescriptorDate(QString::fromUtf8("FT-1é"), "", QDate(2026, 1, 1))
            << "the tag cannot hold 'É': packed ASCII has upper-case letters, digits, blanks and the signs "
               "!\"#$%&'()*+,-./:;<=>?@[\\]^_";
        QTest::newRow("descriptor with a tab") << tagDescriptorDate("A", "x\ty", QDate(2026, 1, 1))
                                               << "the descriptor cannot hold '\\x09': packed ASCII has upper-case "
                                                  "letters, digits, blanks and the signs !\"#$%&'()*+,-./:;<=>?@[\\]^_";
        QTest::newRow("message with a brace") << message("{") << "the message cannot hold '{': packed ASCII has "
                                                                 "upper-case letters, digits, blanks and the signs "
                                                                 "!\"#$%&'()*+,-./:;<=>?@[\\]^_";
        QTest::newRow("date before 1900") << tagDescriptorDate("A", "", QDate(1899, 12, 31))
                                          << "the date must be a day from 1900-01-01 to 2155-12-31";
        QTest::newRow("long tag outside Latin-1") << longTag(QString::fromUtf8("Ω")) << "the long tag cannot hold 'Ω': it takes printable ISO Latin-1 characters";
        QTest::newRow("long tag of 33") << longTag(QString(33, u'x')) << "the long tag holds at most 32 characters, not 33";
        QTest::newRow("negative damping") << damping(-0.5f) << "the damping is seconds from 0, not -0.5";
        QTest::newRow("NaN damping") << damping(std::nanf("")) << "the damping is seconds from 0, not nan";
        QTest::newRow("upper not above lower") << range(12, 100.0f, 100.0f) << "the upper range value (100) must be above the lower one (100)";
        QTest::newRow("outside the sensor") << range(12, -300.0f, 100.0f, SensorLimits{12, -200, 200, 10})
                                            << "the range -300 to 100 lies outside the sensor's limits, -200 to 200";
        QTest::newRow("narrower than the least span") << range(12, 0.0f, 5.0f, SensorLimits{12, -200, 200, 10})
                                                      << "the span 5 is narrower than the sensor's least span, 10";
        QTest::newRow("25 mA") << fixedCurrent(25.0f) << "a fixed loop current is 3 to 24 mA, or 0 to leave fixed current mode; not 25";
    }
    void refusedBeforeSending()
    {
        QFETCH(Request, request);
        QFETCH(QString, why);
        QVERIFY(!request.ok());
        QCOMPARE(request.refused, why);
        QVERIFY(request.data.isEmpty());
    }

    // The response codes of the writes in words, by command where the command has its own.
    void responseCodes()
    {
        QCOMPARE(HartStatus::responseCode(35, 9).text, QString("lower range value too high"));
        QCOMPARE(HartStatus::responseCode(35, 14).severity, HartStatus::Severity::Warning);
        QCOMPARE(HartStatus::responseCode(34, 8).text, QString("set to nearest possible value"));
        QCOMPARE(HartStatus::responseCode(38, 9).text, QString("configuration change counter mismatch"));
        QCOMPARE(HartStatus::responseCode(44, 7).text, QString("in write-protect mode"));
        QCOMPARE(HartStatus::responseCode(44, 9).text, QString("response code 9"));
        QCOMPARE(HartStatus::responseCode(18, 32).text, QString("busy"));
    }
};

QTEST_GUILESS_MAIN(TestInstrumentWrites)
#include "test_instrument_writes.moc"
