// Requests and reply decoding of the MODBUS mapping page.
#include "pages/modbus/ModbusCodec.h"

#include <QRandomGenerator>
#include "tests/support/Built.h"
#include "tests/support/Render.h"

#include <QtTest>

using namespace ModbusCodec;

namespace {

const QByteArray kCustomReply =
    "QQQ#QQ1#FMW:2,0.001#FMU:1.000,2.500,0.010#HART1:1,1,00,9,010#DFO1:10234#"
    "ZDY1:3,1071,2123,0000,0000#MD:2#CAMD11:1<03,FF 82 03#CAMD12:0<02,01 02#";

} // namespace

class TestModbusCodec : public QObject {
    Q_OBJECT

private slots:
    void requests()
    {
        QCOMPARE(bytesOf(queryRequest(3)), QByteArray("QQQ#QQ3#"));
        QCOMPARE(bytesOf(slotSettingsRequest(0, {1, 1, 13, 1, 10})), QByteArray("QQS#HART0:1,1,13,5,010#"));
        QCOMPARE(bytesOf(slotSettingsRequest(4, {0, 0, 19, 5, 999})), QByteArray("QQS#HART4:0,0,19,9,999#"));
        QCOMPARE(bytesOf(formatsRequest(2, {1, 0, 2, 3, 4})), QByteArray("QQS#DFOT2:10234#"));
        QCOMPARE(bytesOf(parsingRequest(1, 5, {{{1, 7, 1}, {0, 0, 0}, {0, 0, 0}, {2, 99, 0}}})),
                 QByteArray("QQS#MDBS1:8,1071,0000,0000,2990#"));
        QCOMPARE(bytesOf(moduleModeRequest(2)), QByteArray("QQS#MD:2#"));
        QCOMPARE(bytesOf(coefficientModeRequest(2, "0.001")), QByteArray("QQS#FMW:2,0.001#"));
        QCOMPARE(coefficientsRequest("1.000", "2.500", "0.010"), QByteArray("QQS#FMU:1.000,2.500,0.010#"));
        QCOMPARE(bytesOf(customCommandRequest(0, 1, 1, QByteArray("\xFF\x82\x03", 3))),
                 QByteArray("QQS#CAMD01:1<03,\xFF\x82\x03", 19));
        QCOMPARE(bytesOf(customCommandRequest(4, 2, 0, {})), QByteArray("QQS#CAMD42:0<00,"));
        QCOMPARE(registerLabel(3, 0), QString("40031"));
        QCOMPARE(registerLabel(4, 4), QString("40049"));
    }

    // Lists without a chosen item and numbers past their digits are refused, naming the
    // field, instead of going out as "/" or ":" and "<".
    void fieldsOutsideTheirDigitsAreRefused()
    {
        const struct {
            BuiltRequest built;
            const char* refusal;
        } cases[] = {
            {queryRequest(-1), "Meter ID: choose a device from the list."},
            {slotSettingsRequest(-1, {0, 0, 0, 0, 0}), "Meter ID: choose a device from the list."},
            {slotSettingsRequest(0, {-1, 0, 0, 0, 0}), "Enabled: choose Open or Close from the list."},
            {slotSettingsRequest(0, {0, -1, 0, 0, 0}), "Device Mode: choose a mode from the list."},
            {slotSettingsRequest(0, {0, 0, -1, 0, 0}), "Meter Type: choose a meter from the list."},
            {slotSettingsRequest(0, {0, 0, 0, 6, 0}), "Preamble Length: choose a length from the list."},
            {slotSettingsRequest(0, {1, 1, 13, 1, 1234}), "Buffer Clear Time must be a number from 0 to 999."},
            {slotSettingsRequest(0, {1, 1, 13, 1, -1}), "Buffer Clear Time must be a number from 0 to 999."},
            {formatsRequest(2, {1, 0, 2, 3, -1}), "Variable_4(RTU_ADR) format: choose a format from the list."},
            {formatsRequest(2, {2, 0, 2, 3, 4}), "current(RTU_ADR) format: choose a format from the list."},
            {parsingRequest(1, -1, {}), "Address Bits: choose a count from the list."},
            {parsingRequest(1, 5, {{{0, 0, 0}, {-1, 0, 0}, {0, 0, 0}, {0, 0, 0}}}),
             "Variable_2 Command Number: choose a command from the list."},
            {parsingRequest(1, 5, {{{0, 0, 0}, {0, 0, 0}, {0, 100, 0}, {0, 0, 0}}}),
             "Variable_3 Start Addr. must be a number from 0 to 99."},
            {parsingRequest(1, 5, {{{0, 0, 0}, {0, 0, 0}, {0, 0, 0}, {0, 0, -1}}}),
             "Variable_4 Data Length: choose a length from the list."},
            {moduleModeRequest(-1), "Module Operation Mode: choose a mode from the list."},
            {moduleModeRequest(3), "Module Operation Mode: choose a mode from the list."},
            {coefficientModeRequest(-1, "0.001"), "Variable 1 Coefficient: choose a mode from the list."},
            {customCommandRequest(0, 2, -1, {}), "Read Meter Command 2: choose Open or Close from the list."},
            {customCommandRequest(0, 1, 1, QByteArray(15, 'x')),
             "Read Meter Command 1 byte count must be a number from 0 to 14."},
        };
        for (const auto& c : cases) {
            QCOMPARE(c.built.refusal, QString(c.refusal));
            QVERIFY(c.built.bytes.isEmpty());
        }
    }

    void customMeterReply()
    {
        const Decoded d = decodeReply(kCustomReply, 5, 1);
        QVERIFY(!d.error);
        QCOMPARE(render(d), QStringList({
            "ComboBox18=2", "Beilv=0.001", "xishu2=1.000", "xishu3=2.500", "xishu4=0.010",
            "ComboBox6=1", "ComboBox16=1", "ComboBox17=0", "ComboBox34=5", "Edit1=010",
            "FAMOUT1=1", "FAMOUT3=0", "FAMOUT5=2", "FAMOUT7=3", "FAMOUT9=4", "GroupBox13 shown",
            "ComboBox15=0", "RADCOM1=1", "READADR1=07", "READLG1=1", "RADCOM3=2",
            "READADR3=12", "READLG3=3", "RADCOM5=0", "READADR5=00", "READLG5=0",
            "RADCOM7=0", "READADR7=00", "READLG7=0", "ComboBox14=2", "ComboBox7=2",
            "ComboBox28=1", "Edit4=FF 82 03", "ComboBox29=0", "Edit5=01 02"}));
    }

    void otherMetersSkipTheCustomPart()
    {
        QByteArray reply = kCustomReply;
        reply.replace("HART1:1,1,00", "HART1:1,1,05");
        const QStringList got = render(decodeReply(reply, 0, 1));
        QVERIFY(got.contains("ComboBox17=5"));
        QCOMPARE(got.last(), QString("GroupBox13 hidden"));
        // Without a "HART" key the list's current meter type decides.
        QCOMPARE(render(decodeReply("QQ#ZDY0:3,1071,0000,0000,0000#", -1, 0)), QStringList({"GroupBox13 hidden"}));
        QCOMPARE(render(decodeReply("QQ#MD:1#", 0, 0)), QStringList({"GroupBox13 shown", "ComboBox14=1", "ComboBox7=1"}));
        QVERIFY(render(decodeReply("Q Q#MD:1#", 0, 0)).isEmpty()); // no "QQ"
    }

    void keysNeedTheirColons()
    {
        // "HART" must have the slot digit and ":" after it.
        const QStringList got = render(decodeReply("QQ#HART:x#HART7:1,1,12,4,001#HART1:0,0,13,4,001#", 1, 1));
        QCOMPARE(got.mid(0, 3), QStringList({"ComboBox6=0", "ComboBox16=0", "ComboBox17=13"}));
        QCOMPARE(render(decodeReply("QQ#CAMD01:1<00,#", 0, 0)).mid(1),
                 QStringList({"ComboBox28=1", "Edit4="}));
    }

    // A late reply for the slot the user just left fills nothing of the selected slot.
    void otherSlotsKeysAreNotRead()
    {
        QCOMPARE(render(decodeReply(kCustomReply, 5, 2)),
                 QStringList({"ComboBox18=2", "Beilv=0.001", "xishu2=1.000", "xishu3=2.500",
                              "xishu4=0.010", "GroupBox13 hidden"}));
        QCOMPARE(render(decodeReply(kCustomReply, 0, 2)).filter("Edit4"), QStringList());
        QCOMPARE(render(decodeReply(kCustomReply, 5, -1)).size(), 6); // no slot: none of them
    }

    // The meter type and a command's count are two digits: a sign is the conversion error.
    void signsInTwoDigitFields()
    {
        for (const char* reply : {"QQ#HART0:1,1,-0,9,010#", "QQ#HART0:1,1,+5,9,010#"}) {
            const Decoded d = decodeReply(reply, 0, 0);
            QVERIFY2(d.error && d.error->contains("is not a valid integer value"), reply);
            QVERIFY(!render(d).join(' ').contains("ComboBox17"));
        }
        const Decoded count = decodeReply("QQ#CAMD01:1<-1,FF", 0, 0);
        QCOMPARE(count.error, std::optional<QString>("'-1' is not a valid integer value"));
        QCOMPARE(render(count).last(), QString("ComboBox28=1"));
    }

    void conversionErrorStopsDecoding()
    {
        const Decoded d = decodeReply("QQ#FMW:1,0.001#HART0:1,0,02,5,010#DFO0:1x000#", 0, 0);
        QCOMPARE(d.error, std::optional<QString>("'x' is not a valid integer value"));
        QCOMPARE(render(d).last(), QString("FAMOUT1=1"));
        QVERIFY(!render(d).join(' ').contains("GroupBox13"));
        const Decoded cut = decodeReply("QQ#HART0:1", 0, 0);
        QCOMPARE(cut.error, std::optional<QString>("'' is not a valid integer value"));
    }

    void neverReadsPastTheText()
    {
        // A count far beyond the text, a negative count, keys at the very end.
        QCOMPARE(render(decodeReply("QQ#CAMD01:1<99,FF", 0, 0)).last(), QString("Edit4=FF"));
        const QByteArray alphabet = "QHARTDFOZYCM0123456789:,<#";
        QRandomGenerator rng(5);
        for (int i = 0; i < 20000; ++i) {
            QByteArray text(int(rng.bounded(0, 80)), '\0');
            for (char& c : text) c = alphabet[int(rng.bounded(alphabet.size()))];
            for (const FieldUpdate& u : decodeReply("QQ" + text, 0, int(i % 5)).updates)
                QVERIFY(u.text.size() <= text.size());
        }
    }
};

QTEST_GUILESS_MAIN(TestModbusCodec)
#include "test_modbus_codec.moc"
