// Requests and reply decoding of the converter's own settings.
#include "exchange/Conversion.h"
#include "pages/system/SystemCodec.h"

#include "tests/support/Built.h"
#include "tests/support/Render.h"

#include <QtTest>

using namespace SystemCodec;

class TestSystemCodec : public QObject {
    Q_OBJECT

private slots:
    void setRequests()
    {
        QCOMPARE(bytesOf(portRequest(1, 3, 0)), QByteArray("QQS#BA1:30#"));
        QCOMPARE(bytesOf(portRequest(2, 7, 2)), QByteArray("QQS#BA2:72#"));
        QCOMPARE(bytesOf(workingModeRequest(1)), QByteArray("QQS#MD:1#"));
        QCOMPARE(bytesOf(workingModeRequest(4)), QByteArray("QQS#MD:4#"));
        QCOMPARE(bytesOf(returnTimeRequest(2, 0)), QByteArray("QQS#XY2:0#"));
        QCOMPARE(bytesOf(returnTimeRequest(1, 5)), QByteArray("QQS#XY1:5#"));
        QCOMPARE(bytesOf(slaveAddressRequest(1)), QByteArray("QQS#ADR:001#"));
        QCOMPARE(bytesOf(slaveAddressRequest(255)), QByteArray("QQS#ADR:255#"));
        QCOMPARE(bytesOf(intervalRequest(50)), QByteArray("QQS#JTM:050#"));
        QCOMPARE(bytesOf(intervalRequest(999)), QByteArray("QQS#JTM:999#"));
        QCOMPARE(bytesOf(baseAddressRequest(1, 100)), QByteArray("QQS#AADR:00100#"));
        QCOMPARE(bytesOf(baseAddressRequest(2, 40001)), QByteArray("QQS#BADR:40001#"));
        QCOMPARE(resetRequest(), QByteArray("QQS#RESET#"));
        QCOMPARE(hotSpotRequest('1'), QByteArray("QQS#YB:1#"));
        QCOMPARE(hotSpotRequest('2'), QByteArray("QQS#YB:2#"));
        QCOMPARE(queryRequest(), QByteArray("QQQ#QX#"));
    }

    // A value its digits cannot carry is refused with a message naming the field, never
    // sent as ":", "<" or "/".
    void valuesOutsideTheirDigitsAreRefused()
    {
        QCOMPARE(portRequest(1, -1, 0).refusal, QString("RS232/RS485A baud rate: choose a speed from the list."));
        QCOMPARE(portRequest(2, 3, -1).refusal, QString("RS485B parity: choose a parity from the list."));
        QCOMPARE(portRequest(1, 8, 0).refusal, QString("RS232/RS485A baud rate: choose a speed from the list."));
        QCOMPARE(workingModeRequest(5).refusal, QString("Working Mode: choose a mode from the list."));
        QCOMPARE(returnTimeRequest(1, -1).refusal, QString("RS485A data return time: choose a time from the list."));
        QCOMPARE(slaveAddressRequest(1000).refusal, QString("MODBUS_Slave_Adr must be a number from 0 to 255."));
        QCOMPARE(slaveAddressRequest(256).refusal, QString("MODBUS_Slave_Adr must be a number from 0 to 255."));
        QCOMPARE(slaveAddressRequest(-5).refusal, QString("MODBUS_Slave_Adr must be a number from 0 to 255."));
        QCOMPARE(intervalRequest(1000).refusal,
                 QString("Instrument Communication Interval must be a number from 0 to 999."));
        QCOMPARE(baseAddressRequest(1, 100000).refusal,
                 QString("RS232/RS485A data base address must be a number from 0 to 99999."));
        QCOMPARE(baseAddressRequest(2, -1).refusal,
                 QString("RS485B data base address must be a number from 0 to 99999."));
        for (const BuiltRequest& r : {slaveAddressRequest(1000), portRequest(1, -1, 0)}) QVERIFY(r.bytes.isEmpty());
        // The encoder itself, used only on checked values.
        QCOMPARE(digitEncoding(7, 3), QByteArray("007"));
        QCOMPARE(digitEncoding(99999, 5), QByteArray("99999"));
    }

    void boardSerialNumber()
    {
        QCOMPARE(boardSerialRequest(1234, 1).bytes, QByteArray("KQTRLV#PCBSN:00001234,001#"));
        QCOMPARE(boardSerialRequest(123456789, 101).bytes, QByteArray("KQTRLV#PCBSN:123456789,101#"));
        QCOMPARE(boardSerialRequest(0, 0).bytes, QByteArray("KQTRLV#PCBSN:00000000,000#"));
        QCOMPARE(boardSerialRequest(INT32_MAX, 7).bytes, QByteArray("KQTRLV#PCBSN:2147483647,007#"));
        // A sign never goes out: "-12" was sent as "-00000012".
        for (const BuiltRequest& r : {boardSerialRequest(-12, 7), boardSerialRequest(INT32_MIN, 0)}) {
            QVERIFY(r.bytes.isEmpty());
            QCOMPARE(r.refusal, QString("PCBSN must be a number from 0 to 2147483647."));
        }
        QCOMPARE(boardSerialRequest(12, -1).refusal, QString("Inspector must be a number from 0 to 2147483647."));
    }

    void fullReply()
    {
        const Decoded d = decodeReply(
            "QQQ#QX:BA1:30#BA2:41#MD:2#ADR:005#XY1:3#XY2:1#JTM:020#AADR:00100,00200#");
        QVERIFY(!d.error);
        QCOMPARE(render(d), QStringList({"ComboBox2=3", "ComboBox4=0", "ComboBox8=4", "ComboBox9=1",
                                         "ComboBox7=2", "ComboBox14=2", "Edit14=005",
                                         "RS485ADY=3", "RS485BDY=1", "Edit6=020",
                                         "ABadr=00100", "BBadr=00200"}));
    }

    void firstOccurrenceWins()
    {
        // "ADR:" is found inside "AADR:" when that comes first.
        const Decoded d = decodeReply("QX#AADR:00100,00200#ADR:005#");
        QCOMPARE(render(d), QStringList({"Edit14=001", "ABadr=00100", "BBadr=00200"}));
    }

    void gateAndMissingKeys()
    {
        QVERIFY(render(decodeReply("QX")).isEmpty());
        QVERIFY(render(decodeReply("BA1:30#MD:1#")).isEmpty()); // no "QX"
        QVERIFY(render(decodeReply("Q X BA1:30")).isEmpty());
        QCOMPARE(render(decodeReply("MD:4#QX")), QStringList({"ComboBox7=4", "ComboBox14=4"}));
    }

    void conversionErrorKeepsEarlierSteps()
    {
        const Decoded cut = decodeReply("QX#BA1:30#BA2:41#MD:2#ADR:005#XY1:3#XY2:");
        QCOMPARE(cut.error, std::optional<QString>("'' is not a valid integer value"));
        QCOMPARE(render(cut).size(), 8); // steps 1 to 5
        QCOMPARE(render(cut).last(), QString("RS485ADY=3"));

        const Decoded bad = decodeReply("QX#BA1:3x#MD:1#");
        QCOMPARE(bad.error, std::optional<QString>("'x' is not a valid integer value"));
        QCOMPARE(render(bad), QStringList({"ComboBox2=3"}));
    }

    void textValuesAreTakenAsTheyStand()
    {
        QCOMPARE(render(decodeReply("QX#ADR:-a#")), QStringList({"Edit14=-a#"}));
        QCOMPARE(render(decodeReply("QX#JTM:0")), QStringList({"Edit6=0"}));
        QCOMPARE(render(decodeReply("QX#AADR:001")),
                 QStringList({"Edit14=001", "ABadr=001", "BBadr="}));
    }

    void decoderSurvivesAnyText()
    {
        // Random texts around the keys: no crash, every update names a known control.
        const QByteArray alphabet = "QXBAD12R:#MJTYS0958";
        QRandomGenerator rng(7);
        for (int i = 0; i < 20000; ++i) {
            QByteArray text(int(rng.bounded(0, 60)), '\0');
            for (char& c : text) c = alphabet[int(rng.bounded(alphabet.size()))];
            const Decoded d = decodeReply(text);
            for (const FieldUpdate& u : d.updates) QVERIFY(u.text.size() <= 5);
        }
    }
};

QTEST_GUILESS_MAIN(TestSystemCodec)
#include "test_system_codec.moc"
