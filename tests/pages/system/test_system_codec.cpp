// Requests and reply decoding of the converter's own settings.
#include "exchange/Conversion.h"
#include "pages/system/SystemCodec.h"

#include "tests/support/Render.h"

#include <QtTest>

using namespace SystemCodec;

class TestSystemCodec : public QObject {
    Q_OBJECT

private slots:
    void setRequests()
    {
        QCOMPARE(portRequest("BA1", 3, 0), QByteArray("QQS#BA1:30#"));
        QCOMPARE(portRequest("BA2", 7, 2), QByteArray("QQS#BA2:72#"));
        QCOMPARE(portRequest("BA1", -1, 0), QByteArray("QQS#BA1:/0#"));
        QCOMPARE(choiceRequest("MD", 1), QByteArray("QQS#MD:1#"));
        QCOMPARE(choiceRequest("XY2", 0), QByteArray("QQS#XY2:0#"));
        QCOMPARE(numberRequest("ADR", 1, 3), QByteArray("QQS#ADR:001#"));
        QCOMPARE(numberRequest("ADR", 255, 3), QByteArray("QQS#ADR:255#"));
        QCOMPARE(numberRequest("JTM", 50, 3), QByteArray("QQS#JTM:050#"));
        QCOMPARE(numberRequest("AADR", 100, 5), QByteArray("QQS#AADR:00100#"));
        QCOMPARE(numberRequest("BADR", 40001, 5), QByteArray("QQS#BADR:40001#"));
        QCOMPARE(resetRequest(), QByteArray("QQS#RESET#"));
        QCOMPARE(hotSpotRequest('1'), QByteArray("QQS#YB:1#"));
        QCOMPARE(hotSpotRequest('2'), QByteArray("QQS#YB:2#"));
        QCOMPARE(queryRequest(), QByteArray("QQQ#QX#"));
    }

    void digitEncodingOutOfRange()
    {
        QCOMPARE(numberRequest("ADR", 1000, 3), QByteArray("QQS#ADR::00#"));
        QCOMPARE(numberRequest("JTM", 1000, 3), QByteArray("QQS#JTM::00#"));
        QCOMPARE(numberRequest("AADR", 100000, 5), QByteArray("QQS#AADR::0000#"));
        QCOMPARE(numberRequest("ADR", -5, 3), QByteArray("QQS#ADR:00+#"));
        QCOMPARE(digitEncoding(-123, 3), QByteArray("/.-")); // '0'-1, '0'-2, '0'-3
        // The first character is kept to 8 bits, never more.
        QCOMPARE(digitEncoding(INT32_MAX, 3).size(), 3);
        QCOMPARE(digitEncoding(INT32_MIN, 5).size(), 5);
    }

    void boardSerialNumber()
    {
        QCOMPARE(boardSerialRequest(1234, 1), QByteArray("KQTRLV#PCBSN:00001234,001#"));
        QCOMPARE(boardSerialRequest(123456789, 101), QByteArray("KQTRLV#PCBSN:123456789,101#"));
        QCOMPARE(boardSerialRequest(-5, 7), QByteArray("KQTRLV#PCBSN:-00000005,007#"));
        QCOMPARE(boardSerialRequest(INT32_MIN, 0), QByteArray("KQTRLV#PCBSN:-2147483648,000#"));
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
