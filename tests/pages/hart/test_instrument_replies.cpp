// What an instrument's replies to the reading commands carry: each layout from bytes written
// out here, the code tables in words, replies cut at every length, and replies that must
// fill nothing.
#include "pages/hart/InstrumentReplies.h"
#include "pages/hart/InstrumentTables.h"
#include "tests/support/Bytes.h"

#include <QFile>
#include <QtTest>
#include <functional>

using namespace InstrumentReplies;

namespace {

// A whole reply from polling address 3, its checksum right.
HartReply::Frame reply(uint8_t command, const QByteArray& data, uint8_t first = 0, uint8_t second = 0)
{
    QByteArray frame = bytes({0xFF, 0xFF, 0x06, 0x83, command, int(data.size()) + 2, first, second}) + data;
    uint8_t sum = 0;
    for (qsizetype i = 2; i < frame.size(); ++i) sum ^= uint8_t(frame[i]);
    return *HartReply::read(frame + char(sum));
}

template <class T> QString text(const std::optional<T>& v) { return v ? QString::number(*v) : QStringLiteral("-"); }
QString text(const std::optional<QString>& v) { return v ? *v : QStringLiteral("-"); }

// Every field a decoder filled, as "name=value", with how it read the reply.
struct Filled {
    Reading reading;
    QStringList fields;
};

struct Layout {
    const char* name;
    uint8_t command;
    QByteArray data;
    std::function<Filled(const HartReply::Frame&)> read;
    qsizetype required = -1; // the bytes the layout needs; all of `data` when -1
};

Filled of(const Identity& r)
{
    return {r.reading,
            {text(r.expansion), text(r.manufacturer), text(r.deviceType), text(r.requestPreambles),
             text(r.hartRevision), text(r.deviceRevision), text(r.softwareRevision), text(r.hardwareRevision),
             text(r.physicalSignaling), text(r.flags), r.deviceId ? QStringLiteral("id") : QStringLiteral("-"),
             text(r.responsePreambles), text(r.highestDeviceVariable), text(r.configChangeCounter),
             text(r.extendedStatus), text(r.distributor), text(r.deviceProfile)}};
}
Filled of(const LoopConfiguration& r) { return {r.reading, {text(r.pollingAddress), text(r.loopCurrentMode)}}; }
Filled of(const DynamicCodes& r)
{
    return {r.reading, {text(r.codes[0]), text(r.codes[1]), text(r.codes[2]), text(r.codes[3])}};
}
Filled of(const Text& r) { return {r.reading, {text(r.text)}}; }
Filled of(const TagDescriptorDate& r)
{
    return {r.reading, {text(r.tag), text(r.descriptor), r.date ? r.date->date().toString(Qt::ISODate) : "-"}};
}
Filled of(const Transducer& r)
{
    return {r.reading,
            {text(r.serial), text(r.unit), text(r.upperLimit), text(r.lowerLimit), text(r.minimumSpan)}};
}
Filled of(const Output& r)
{
    return {r.reading,
            {text(r.alarmSelection), text(r.transferFunction), text(r.rangeUnit), text(r.upperRange),
             text(r.lowerRange), text(r.damping), text(r.writeProtect), text(r.analogChannelFlags)}};
}
Filled of(const FinalAssembly& r) { return {r.reading, {text(r.number)}}; }
Filled of(const Variables& r)
{
    Filled f{r.reading, {text(r.extendedStatus), text(r.timeStamp)}};
    for (const Variable& v : r.variables)
        f.fields << QStringLiteral("%1/%2/%3/%4/%5")
                        .arg(v.code)
                        .arg(text(v.classification))
                        .arg(v.unit)
                        .arg(v.value)
                        .arg(text(v.status));
    return f;
}
Filled of(const AdditionalStatus& r)
{
    return {r.reading,
            {r.deviceSpecific ? QString::fromLatin1(r.deviceSpecific->toHex()) : "-", text(r.extendedStatus),
             text(r.operatingMode), text(r.standardized0), text(r.standardized1), text(r.analogSaturated),
             text(r.standardized2), text(r.standardized3), text(r.analogFixed),
             QString::fromLatin1(r.hart5Bytes.toHex()), QString::fromLatin1(r.moreDeviceSpecific.toHex())}};
}

// Whole replies of every command, in the layout the instrument sends.
const QByteArray kIdentity7 = hex("FE E1 A5 05 07 03 02 4A 00 00 A1 B2 05 07 00 2A 21 00 26 00 26 01");
const QByteArray kTagDescriptorDate = hex("41 4B 71 C3 18 20  08 F2 4C 15 28 06 14 51 20 82 08 20  0F 03 7E");
const QByteArray kTransducer = hex("01 E2 40  0C  43 7A 00 00  C2 20 00 00  41 20 00 00");
const QByteArray kOutput = hex("01 01 0C 42 C8 00 00 00 00 00 00 40 20 00 00 01 FA 02");
const QByteArray kVariables9 = hex("21  00 40 20 42 C8 00 00 C0  01 41 20 41 48 00 00 90  0A 0B 0C 0D");
const QByteArray kStatus48 = hex("01 02 03 04 05 06  21 00 81 00 00 00 00 00  AA BB");

std::vector<Layout> layouts()
{
    return {
        {"identity", 0, kIdentity7, [](const auto& f) { return of(readIdentity(f)); }},
        {"loop configuration", 7, hex("03 01"), [](const auto& f) { return of(readLoopConfiguration(f)); }},
        {"classifications", 8, hex("41 40 00 FA"), [](const auto& f) { return of(readClassifications(f)); }},
        {"message", 12, hex("0C 13 09 09 20 54 14 48 32 C3 2D AD C3 3B 70 C6 00 99 81 32 09 19 48 02"),
         [](const auto& f) { return of(readMessage(f)); }},
        {"tag", 13, kTagDescriptorDate, [](const auto& f) { return of(readTagDescriptorDate(f)); }},
        {"transducer", 14, kTransducer, [](const auto& f) { return of(readTransducer(f)); }},
        {"output", 15, kOutput, [](const auto& f) { return of(readOutput(f, 7)); }},
        {"final assembly", 16, hex("01 E2 41"), [](const auto& f) { return of(readFinalAssembly(f)); }},
        {"long tag", 20, QByteArray("BOILER FEED PUMP 2").leftJustified(32, '\0'),
         [](const auto& f) { return of(readLongTag(f)); }},
        {"variables", 33, hex("00 0C 42 C8 00 00  01 20 41 48 00 00"),
         [](const auto& f) { return of(readVariables(f, 2)); }},
        {"variables with status", 9, kVariables9,
         [](const auto& f) { return of(readVariablesWithStatus(f, 2, 7)); }},
        {"additional status", 48, kStatus48, [](const auto& f) { return of(readAdditionalStatus(f, 7)); }, 14},
        {"assignments", 50, hex("00 01 02 F5"), [](const auto& f) { return of(readAssignments(f)); }},
    };
}

} // namespace

class TestInstrumentReplies : public QObject {
    Q_OBJECT

private slots:
    void identityOfEachRevision()
    {
        // HART 7: an expanded device type in bytes 1-2, the manufacturer in 17-18.
        const Identity seven = readIdentity(reply(0, kIdentity7));
        QVERIFY(seven.reading.complete());
        QCOMPARE(*seven.deviceType, 0xE1A5);
        QCOMPARE(*seven.manufacturer, 0x0026);
        QCOMPARE(*seven.requestPreambles, 5);
        QCOMPARE(*seven.hartRevision, 7);
        QCOMPARE(*seven.deviceRevision, 3);
        QCOMPARE(*seven.softwareRevision, 2);
        QCOMPARE(*seven.hardwareRevision, 9); // 0x4A: 01001 010
        QCOMPARE(*seven.physicalSignaling, 2);
        QCOMPARE(*seven.flags, 0);
        QCOMPARE(*seven.deviceId, (std::array<uint8_t, 3>{0x00, 0xA1, 0xB2}));
        QCOMPARE(*seven.responsePreambles, 5);
        QCOMPARE(*seven.highestDeviceVariable, 7);
        QCOMPARE(*seven.configChangeCounter, 0x002A);
        QCOMPARE(*seven.extendedStatus, 0x21);
        QCOMPARE(*seven.distributor, 0x0026);
        QCOMPARE(*seven.deviceProfile, 1);
        QCOMPARE(seven.basic->idText(), QStringLiteral("00A1B2"));

        // HART 6 stops after the extended device status; HART 5 after the identifier.
        const Identity six = readIdentity(reply(0, hex("FE 26 E1 05 06 03 02 4A 00 00 A1 B2 05 07 01 00 08")));
        QVERIFY(six.reading.complete());
        QCOMPARE(*six.manufacturer, 0x26);
        QCOMPARE(*six.deviceType, 0xE1);
        QCOMPARE(*six.configChangeCounter, 256);
        QCOMPARE(*six.extendedStatus, 0x08);
        QVERIFY(!six.distributor);
        const Identity five = readIdentity(reply(0, hex("FE 26 E1 05 05 03 02 4A 00 00 A1 B2")));
        QVERIFY(five.reading.complete());
        QVERIFY(!five.configChangeCounter && !five.responsePreambles);

        // A HART 7 reply without bytes 17-18 has no manufacturer to show: byte 1 is not one.
        const Identity cut = readIdentity(reply(0, kIdentity7.left(17)));
        QVERIFY(!cut.manufacturer);
        QCOMPARE(*cut.deviceType, 0xE1A5);
        QCOMPARE(cut.reading.missing,
                 (QStringList{"manufacturer", "private label distributor", "device profile"}));
        QCOMPARE(cut.reading.summary(),
                 QStringLiteral("the reply stops before: manufacturer, private label distributor, device profile"));
        QVERIFY(seven.reading.summary().isEmpty());
    }

    void layoutsOfTheOtherCommands()
    {
        const LoopConfiguration loop = readLoopConfiguration(reply(7, hex("03 01")));
        QCOMPARE(*loop.pollingAddress, 3);
        QCOMPARE(*loop.loopCurrentMode, 1);

        const DynamicCodes classes = readClassifications(reply(8, hex("41 40 00 FA")));
        QCOMPARE(*classes.codes[0], 65);
        QCOMPARE(*classes.codes[3], 250);
        const DynamicCodes assigned = readAssignments(reply(50, hex("00 01 02 F5")));
        QCOMPARE(*assigned.codes[3], 245);

        QCOMPARE(*readMessage(reply(12, layouts()[3].data)).text, QStringLiteral("CALIBRATED 2026-03-01 BY SHIFT B"));

        const TagDescriptorDate tdd = readTagDescriptorDate(reply(13, kTagDescriptorDate));
        QCOMPARE(*tdd.tag, QStringLiteral("PT-101"));
        QCOMPARE(*tdd.descriptor, QStringLiteral("BOILER FEED"));
        QCOMPARE(tdd.date->date(), QDate(2026, 3, 15));

        const Transducer sensor = readTransducer(reply(14, kTransducer));
        QCOMPARE(*sensor.serial, 0x01E240u); // 123456
        QCOMPARE(*sensor.unit, 12);
        QCOMPARE(*sensor.upperLimit, 250.0f);
        QCOMPARE(*sensor.lowerLimit, -40.0f);
        QCOMPARE(*sensor.minimumSpan, 10.0f);

        const Output pv = readOutput(reply(15, kOutput), 7);
        QVERIFY(pv.reading.complete());
        QCOMPARE(*pv.alarmSelection, 1);
        QCOMPARE(*pv.transferFunction, 1);
        QCOMPARE(*pv.rangeUnit, 12);
        QCOMPARE(*pv.upperRange, 100.0f);
        QCOMPARE(*pv.lowerRange, 0.0f);
        QCOMPARE(*pv.damping, 2.5f);
        QCOMPARE(*pv.writeProtect, 1);
        QCOMPARE(*pv.analogChannelFlags, 2);
        // HART 5 replies end at the reserved byte: the flags are not missing.
        const Output five = readOutput(reply(15, kOutput.left(17)), 5);
        QVERIFY(five.reading.complete() && !five.analogChannelFlags);

        QCOMPARE(*readFinalAssembly(reply(16, hex("01 E2 41"))).number, 123457u);
        QCOMPARE(*readLongTag(reply(20, layouts()[8].data)).text, QStringLiteral("BOILER FEED PUMP 2"));
        QCOMPARE(*readLongTag(reply(20, QByteArray("\xC4L-7").leftJustified(32, ' '))).text, QStringLiteral("ÄL-7"));
    }

    void deviceVariables()
    {
        const Variables five = readVariables(reply(33, layouts()[9].data), 2);
        QVERIFY(five.reading.complete());
        QCOMPARE(five.variables.size(), size_t(2));
        QCOMPARE(five.variables[1].code, 1);
        QCOMPARE(five.variables[1].unit, 0x20);
        QCOMPARE(five.variables[1].value, 12.5f);
        QVERIFY(!five.variables[0].status && !five.extendedStatus);

        const Variables seven = readVariablesWithStatus(reply(9, kVariables9), 2, 7);
        QVERIFY(seven.reading.complete());
        QCOMPARE(*seven.extendedStatus, 0x21);
        QCOMPARE(seven.variables[0].code, 0);
        QCOMPARE(*seven.variables[0].classification, 64);
        QCOMPARE(seven.variables[0].unit, 0x20);
        QCOMPARE(seven.variables[0].value, 100.0f);
        QCOMPARE(*seven.variables[0].status, 0xC0);
        QCOMPARE(*seven.variables[1].status, 0x90);
        QCOMPARE(*seven.timeStamp, 0x0A0B0C0Du);
        // HART 6 has no time stamp; a reply with fewer slots than asked names the rest.
        const Variables six = readVariablesWithStatus(reply(9, kVariables9.left(17)), 3, 6);
        QVERIFY(!six.timeStamp);
        QCOMPARE(six.variables.size(), size_t(2));
        QCOMPARE(six.reading.missing, QStringList{"variable slot 3"});
        // No more slots than the command allows, however many were said to be asked.
        QCOMPARE(readVariables(reply(33, {}), 100).reading.missing.size(), 4);
        QCOMPARE(readVariablesWithStatus(reply(9, {}), 100, 6).reading.missing.size(), 9);

        // Requests: four codes at most each, in order; none for no codes.
        const auto requests = variableRequests({0, 1, 2, 3, 4, 5, 246, 247, 248});
        QCOMPARE(requests.size(), size_t(3));
        QCOMPARE(requests[0], hex("00 01 02 03"));
        QCOMPARE(requests[1], hex("04 05 F6 F7"));
        QCOMPARE(requests[2], hex("F8"));
        QVERIFY(variableRequests({}).empty());
    }

    void additionalStatus()
    {
        const AdditionalStatus seven = readAdditionalStatus(reply(48, kStatus48), 7);
        QVERIFY(seven.reading.complete());
        QCOMPARE(*seven.deviceSpecific, hex("01 02 03 04 05 06"));
        QCOMPARE(*seven.extendedStatus, 0x21);
        QCOMPARE(*seven.standardized0, 0x81);
        QCOMPARE(seven.moreDeviceSpecific, hex("AA BB"));
        QVERIFY(seven.hart5Bytes.isEmpty());

        // HART 5: bytes 6-13 are the maker's; a six-byte reply is whole.
        const AdditionalStatus five = readAdditionalStatus(reply(48, kStatus48), 5);
        QVERIFY(five.reading.complete() && !five.extendedStatus);
        QCOMPARE(five.hart5Bytes, hex("21 00 81 00 00 00 00 00"));
        QVERIFY(readAdditionalStatus(reply(48, kStatus48.left(6)), 5).reading.complete());
        // From HART 6 the standardized bytes are part of the layout.
        QCOMPARE(readAdditionalStatus(reply(48, kStatus48.left(9)), 6).reading.missing.first(),
                 QStringLiteral("standardized status 1"));
    }

    // Every reply cut at every length: what it holds is filled as the whole reply fills it,
    // the rest named missing.
    void repliesCutAtEveryLength()
    {
        for (const Layout& layout : layouts()) {
            const Filled whole = layout.read(reply(layout.command, layout.data));
            QVERIFY2(whole.reading.complete(), layout.name);
            int filledBefore = -1;
            for (qsizetype size = 0; size < layout.data.size(); ++size) {
                const Filled cut = layout.read(reply(layout.command, layout.data.left(size)));
                const QByteArray where = QByteArray(layout.name) + " cut at " + QByteArray::number(size);
                const qsizetype required = layout.required < 0 ? layout.data.size() : layout.required;
                QVERIFY2(cut.reading.read() && cut.reading.missing.isEmpty() == (size >= required), where);
                int filled = 0;
                for (qsizetype i = 0; i < cut.fields.size(); ++i) {
                    if (cut.fields[i] == QStringLiteral("-") || cut.fields[i].isEmpty()) continue;
                    ++filled;
                    // Variables and the maker's bytes grow as the reply does; the rest must match.
                    if (layout.command != 9 && layout.command != 33 && layout.command != 48)
                        QVERIFY2(cut.fields[i] == whole.fields[i], where);
                }
                QVERIFY2(filled >= filledBefore, where);
                filledBefore = filled;
            }
        }
    }

    // A communication error, an error response code, another command's reply or a reply
    // that is not whole fills nothing; a warning code still fills.
    void unreadableRepliesFillNothing()
    {
        for (const Layout& layout : layouts()) {
            const auto nothing = [&](const HartReply::Frame& f, const QString& why) {
                const Filled r = layout.read(f);
                QVERIFY2(r.reading.refused.contains(why), qPrintable(layout.name + (": " + r.reading.refused)));
                QVERIFY(r.reading.missing.isEmpty());
                for (const QString& field : r.fields) QVERIFY2(field == "-" || field.isEmpty(), layout.name);
            };
            nothing(reply(layout.command, layout.data, 0x90), QStringLiteral("communication error: framing"));
            nothing(reply(layout.command, layout.data, 64), QStringLiteral("response code 64: command not implemented"));
            nothing(reply(layout.command, layout.data, 2), QStringLiteral("response code 2"));
            nothing(reply(layout.command, layout.data, 32), QStringLiteral("busy"));
            nothing(reply(layout.command == 0 ? 1 : 0, layout.data), QStringLiteral("a reply to command"));

            QByteArray frame = bytes({0xFF, 0x06, 0x83, layout.command, int(layout.data.size()) + 2, 0, 0}) + layout.data;
            nothing(*HartReply::read(frame), QStringLiteral("stopped before its checksum"));
            nothing(*HartReply::read(frame + char(0x55)), QStringLiteral("checksum does not match"));

            QVERIFY2(layout.read(reply(layout.command, layout.data, 8)).reading.complete(), layout.name);
        }
    }

    void codeTables()
    {
        using namespace InstrumentTables;
        QCOMPARE(transferFunction(0), QStringLiteral("linear"));
        QCOMPARE(transferFunction(1), QStringLiteral("square root"));
        QCOMPARE(transferFunction(251), QStringLiteral("none"));
        QCOMPARE(transferFunction(99), QStringLiteral("transfer function 99"));
        QCOMPARE(alarmSelection(0), QStringLiteral("high"));
        QCOMPARE(alarmSelection(1), QStringLiteral("low"));
        QCOMPARE(alarmSelection(239), QStringLiteral("hold last value"));
        QCOMPARE(alarmSelection(250), QStringLiteral("not used"));
        QCOMPARE(alarmSelection(251), QStringLiteral("none"));
        QCOMPARE(writeProtect(0), QStringLiteral("not write-protected"));
        QCOMPARE(writeProtect(1), QStringLiteral("write-protected"));
        QCOMPARE(writeProtect(250), QStringLiteral("not used"));
        QCOMPARE(writeProtect(7), QStringLiteral("write-protect code 7"));
        QCOMPARE(classification(64), QStringLiteral("temperature"));
        QCOMPARE(classification(65), QStringLiteral("pressure"));
        QCOMPARE(classification(90), QStringLiteral("concentration"));
        QCOMPARE(classification(91), QStringLiteral("classification 91")); // reserved
        QCOMPARE(transferFunction(230), QStringLiteral("discrete (switch)"));
        QCOMPARE(classification(250), QStringLiteral("classification 250"));
        QCOMPARE(loopCurrentMode(0), QStringLiteral("disabled"));
        QCOMPARE(loopCurrentMode(1), QStringLiteral("enabled"));

        QCOMPARE(variableStatus(0xC0), QStringLiteral("good"));
        QCOMPARE(variableStatus(0x80), QStringLiteral("manual/fixed"));
        QCOMPARE(variableStatus(0x50), QStringLiteral("poor accuracy, low limited"));
        QCOMPARE(variableStatus(0x28), QStringLiteral("bad, high limited, more status available"));
        QCOMPARE(variableStatus(0xF0), QStringLiteral("good, constant"));

        QCOMPARE(extendedDeviceStatus(0x3F),
                 (QStringList{"maintenance required", "device variable alert", "critical power failure", "failure",
                              "outside its specified limits", "function check"}));
        QCOMPARE(extendedDeviceStatus(0x40), QStringList{"bit 0x40"});
        QCOMPARE(standardizedStatus0(0xFF),
                 (QStringList{"simulation active", "non-volatile memory defect", "volatile memory defect",
                              "watchdog reset", "power supply conditions out of range",
                              "environmental conditions out of range", "electronic defect",
                              "device configuration locked"}));
        QVERIFY(standardizedStatus0(0).isEmpty());
        QCOMPARE(hexBytes(hex("0a ff 00")), QStringLiteral("0A FF 00"));
    }

    void commonUnitTableWalk()
    {
        QFile file(QFINDTESTDATA("common_units.tsv"));
        QVERIFY(file.open(QIODevice::ReadOnly));
        QSet<int> listed;
        for (const QByteArray& line : file.readAll().split('\n')) {
            if (line.isEmpty() || line.startsWith('#')) continue;
            const QList<QByteArray> cells = line.split('\t');
            listed << cells[0].toInt();
            QCOMPARE(InstrumentTables::unitName(cells[0].toInt()), QString::fromUtf8(cells[1]));
        }
        QCOMPARE(listed.size(), 174);
        // The codes the table leaves open are named by number, never as another unit.
        for (int code = 0; code < 256; ++code) {
            if (listed.contains(code)) continue;
            const QString name = InstrumentTables::unitName(code);
            QVERIFY2(name.endsWith(QStringLiteral(" %1").arg(code)), qPrintable(name));
        }
        QCOMPARE(InstrumentTables::unitName(180), QStringLiteral("classification-dependent unit 180"));
        QCOMPARE(InstrumentTables::unitName(245), QStringLiteral("maker's unit 245"));
    }
};

QTEST_GUILESS_MAIN(TestInstrumentReplies)
#include "test_instrument_replies.moc"
