// The stand-in's HART instruments: what each answers to the reading commands, read back
// with the tool's decoders; the switches that set them up; and the writes they keep.
#include "pages/hart/InstrumentReplies.h"
#include "pages/hart/InstrumentTables.h"
#include "sim/HartLoop.h"
#include "sim/InstrumentSwitches.h"
#include "tests/sim/SimRequests.h"

#include <QProcess>
#include <QtTest>

using namespace InstrumentReplies;
using namespace SimRequests;

class TestSimInstruments : public QObject {
    Q_OBJECT

private slots:
    // Every reading command, at each instrument: the response code and the data's length
    // that its HART revision gives (64 where the revision has no such command).
    void layoutLengthsByRevision()
    {
        const struct {
            uint8_t command;
            QByteArray data;
            int hart5, hart6, hart7; // data length, or -64 for "not implemented"
        } commands[] = {
            {0, {}, 12, 17, 22},   {1, {}, 5, 5, 5},        {2, {}, 8, 8, 8},
            {3, {}, 24, 24, 24},   {7, {}, -64, 2, 2},      {8, {}, -64, 4, 4},
            {9, hex("00 01"), -64, 1 + 2 * 8, 1 + 2 * 8 + 4},
            {12, {}, 24, 24, 24},  {13, {}, 21, 21, 21},    {14, {}, 16, 16, 16},
            {15, {}, 17, 18, 18},  {16, {}, 3, 3, 3},       {20, {}, -64, 32, 32},
            {33, hex("00 01 02"), 18, -64, -64},
            {48, {}, 6, 14, 17},   {50, {}, 4, 4, 4},       {21, {}, -64, -64, -64},
            {128, {}, -64, -64, -64},
        };
        HartLoop loop;
        for (const HartInstrument& device : std::vector<HartInstrument>(loop.instruments)) {
            for (const auto& c : commands) {
                const int expected = device.revision == 5 ? c.hart5 : device.revision == 6 ? c.hart6 : c.hart7;
                const HartReply::Frame reply = ask(loop, device.pollAddress, c.command, c.data);
                const QByteArray where = QByteArray::number(device.pollAddress) + " command " + QByteArray::number(c.command);
                QVERIFY2(reply.command == c.command, where);
                if (expected < 0) {
                    QVERIFY2(reply.status().first == 64 && reply.statusOnly(), where);
                } else {
                    QVERIFY2(reply.status().first == 0, where);
                    QVERIFY2(reply.data().size() == expected, where + " length " + QByteArray::number(reply.data().size()));
                }
            }
        }
    }

    // What each instrument sends reads back, through the tool's decoders, as its settings.
    void settingsReadBackThroughTheDecoders()
    {
        HartLoop loop;
        for (const HartInstrument& d : std::vector<HartInstrument>(loop.instruments)) {
            const int poll = d.pollAddress, revision = d.revision;
            const Identity id = readIdentity(ask(loop, poll, 0));
            QVERIFY(id.reading.complete());
            QCOMPARE(int(*id.hartRevision), revision);
            QCOMPARE(*id.deviceId, d.id);
            if (revision >= 6) {
                QCOMPARE(*id.configChangeCounter, d.configChangeCounter);
                QCOMPARE(*id.extendedStatus, d.extendedStatus());
                QCOMPARE(int(*id.highestDeviceVariable), int(d.deviceVariables.back().code));
            }

            const TagDescriptorDate tdd = readTagDescriptorDate(ask(loop, poll, 13));
            QCOMPARE(*tdd.tag, QString(d.tag));
            QCOMPARE(*tdd.descriptor, QString(d.descriptor));
            QCOMPARE(tdd.date->date(), QDate(1900 + d.date[2], d.date[1], d.date[0]));
            QCOMPARE(*readMessage(ask(loop, poll, 12)).text, QString(d.message));
            QCOMPARE(*readFinalAssembly(ask(loop, poll, 16)).number, d.finalAssembly);

            const Transducer sensor = readTransducer(ask(loop, poll, 14));
            QVERIFY(sensor.reading.complete());
            QCOMPARE(*sensor.serial, d.sensorSerial);
            QCOMPARE(*sensor.unit, d.sensorUnit);
            QCOMPARE(bitsOf(*sensor.upperLimit), bitsOf(d.upperSensorLimit));
            QCOMPARE(bitsOf(*sensor.lowerLimit), bitsOf(d.lowerSensorLimit));
            QCOMPARE(bitsOf(*sensor.minimumSpan), bitsOf(d.minimumSpan));

            const Output pv = readOutput(ask(loop, poll, 15), revision);
            QVERIFY(pv.reading.complete());
            QCOMPARE(*pv.alarmSelection, d.alarmSelection);
            QCOMPARE(*pv.transferFunction, d.transferFunction);
            QCOMPARE(*pv.rangeUnit, d.rangeUnit);
            QCOMPARE(bitsOf(*pv.upperRange), bitsOf(d.upperRange));
            QCOMPARE(bitsOf(*pv.lowerRange), bitsOf(d.lowerRange));
            QCOMPARE(bitsOf(*pv.damping), bitsOf(d.damping));
            QCOMPARE(*pv.writeProtect, d.writeProtect);

            const DynamicCodes assigned = readAssignments(ask(loop, poll, 50));
            for (int slot = 0; slot < 4; ++slot) QCOMPARE(*assigned.codes[slot], d.behind(slot)->code);
            if (revision >= 6) {
                const DynamicCodes classes = readClassifications(ask(loop, poll, 8));
                for (int slot = 0; slot < 4; ++slot) QCOMPARE(*classes.codes[slot], d.behind(slot)->classification);
                const LoopConfiguration lc = readLoopConfiguration(ask(loop, poll, 7));
                QCOMPARE(int(*lc.pollingAddress), poll);
                QCOMPARE(*lc.loopCurrentMode, d.loopCurrentMode);
                QCOMPARE(*readLongTag(ask(loop, poll, 20)).text, QString(d.longTag));
            }
            const AdditionalStatus more = readAdditionalStatus(ask(loop, poll, 48), revision);
            QVERIFY(more.reading.complete());
            if (revision >= 6) QCOMPARE(*more.extendedStatus, d.extendedStatus());
        }
    }

    // The instruments differ as the loop sheet says: units, ranges and damping of their own,
    // one square root, one write-protected, a HART 7 counter and standardized status.
    void theInstrumentsDiffer()
    {
        HartLoop loop;
        QSet<int> units, dampings;
        for (const HartInstrument& d : loop.instruments) {
            units << d.rangeUnit;
            dampings << int(d.damping * 10);
        }
        QCOMPARE(units.size(), 4);
        QCOMPARE(dampings.size(), 4);
        QCOMPARE(InstrumentTables::transferFunction(*readOutput(ask(loop, 0, 15), 5).transferFunction),
                 QString("square root"));
        QCOMPARE(InstrumentTables::writeProtect(*readOutput(ask(loop, 2, 15), 5).writeProtect),
                 QString("write-protected"));
        QCOMPARE(*readIdentity(ask(loop, 5, 0)).configChangeCounter, uint16_t(17));
        const AdditionalStatus level = readAdditionalStatus(ask(loop, 5, 48), 7);
        QCOMPARE(InstrumentTables::standardizedStatus0(*level.standardized0),
                 QStringList({"environmental conditions out of range"}));
        QCOMPARE(InstrumentTables::extendedDeviceStatus(*level.extendedStatus), QStringList({"device variable alert"}));
        QCOMPARE(level.moreDeviceSpecific.size(), 3);
    }

    // Command 9: each code asked gets its slot with class, unit, value and status; a code the
    // instrument lacks gets class 0, unit 250, NaN and "bad, constant"; HART 7 adds a time
    // stamp; no code asked is too few data bytes.
    void variablesWithStatus()
    {
        HartLoop loop;
        const Variables level = readVariablesWithStatus(ask(loop, 5, 9, hex("00 04 2A 02"), 2.0), 4, 7);
        QVERIFY(level.reading.complete());
        QCOMPARE(*level.extendedStatus, uint8_t(0x02));
        QCOMPARE(level.variables.size(), size_t(4));
        const Variable& pv = level.variables[0];
        QCOMPARE(pv.unit, uint8_t(45));
        QCOMPARE(pv.value, HartLoop::variables(*loop.at(5), 2.0)[0]);
        QCOMPARE(InstrumentTables::variableStatus(*pv.status), QString("good"));
        const Variable& electronics = level.variables[1];
        QCOMPARE(electronics.code, uint8_t(4));
        QCOMPARE(electronics.value, 71.5f);
        QCOMPARE(InstrumentTables::variableStatus(*electronics.status), QString("poor accuracy, high limited"));
        const Variable& none = level.variables[2];
        QCOMPARE(none.code, uint8_t(0x2A));
        QCOMPARE(int(*none.classification), 0);
        QCOMPARE(none.unit, uint8_t(250));
        QCOMPARE(bitsOf(none.value), uint32_t(0x7FA00000));
        QCOMPARE(*none.status, uint8_t(0x30));
        QCOMPARE(*level.timeStamp, uint32_t(64000)); // 2 s in 1/32 ms

        const Variables pressure = readVariablesWithStatus(ask(loop, 1, 9, hex("02")), 1, 6);
        QVERIFY(pressure.reading.complete() && !pressure.timeStamp);
        QCOMPARE(InstrumentTables::variableStatus(*pressure.variables[0].status), QString("manual/fixed, constant"));
        QCOMPARE(ask(loop, 1, 9).status().first, uint8_t(5));
        // Eight codes at most are answered.
        QCOMPARE(ask(loop, 1, 9, QByteArray(10, 0)).data().size(), 1 + 8 * 8);
    }

    // Command 33 at the HART 5 instruments: code, unit and value; an unknown code is an
    // invalid selection, no code too few data bytes.
    void variablesWithoutStatus()
    {
        HartLoop loop;
        const Variables flow = readVariables(ask(loop, 0, 33, hex("00 02"), 9.0), 2);
        QVERIFY(flow.reading.complete());
        QCOMPARE(flow.variables[0].unit, uint8_t(19));
        QCOMPARE(flow.variables[0].value, HartLoop::variables(*loop.at(0), 9.0)[0]);
        QCOMPARE(flow.variables[1].code, uint8_t(2));
        QCOMPARE(flow.variables[1].unit, uint8_t(41));
        QCOMPARE(ask(loop, 2, 33, hex("00 09")).status().first, uint8_t(2));
        QCOMPARE(ask(loop, 2, 33).status().first, uint8_t(5));
        QCOMPARE(ask(loop, 2, 33, QByteArray(6, 0)).data().size(), 4 * 6);
    }

    void diagnosticSwitch()
    {
        HartLoop loop;
        // Byte 6 of a HART 6 or 7 instrument is the extended status of commands 0, 9 and 48.
        QCOMPARE(InstrumentSwitches::setDiagnostic(loop, "5:6:09"), std::string());
        QCOMPARE(*readIdentity(ask(loop, 5, 0)).extendedStatus, uint8_t(0x09));
        QCOMPARE(*readVariablesWithStatus(ask(loop, 5, 9, hex("00")), 1, 7).extendedStatus, uint8_t(0x09));
        QCOMPARE(*readAdditionalStatus(ask(loop, 5, 48), 7).extendedStatus, uint8_t(0x09));
        QCOMPARE(InstrumentSwitches::setDiagnostic(loop, "1:8:1"), std::string());
        QCOMPARE(*readAdditionalStatus(ask(loop, 1, 48), 6).standardized0, uint8_t(0x01));
        // A byte past the data's end lengthens it; at HART 5 byte 6 is the maker's.
        QCOMPARE(InstrumentSwitches::setDiagnostic(loop, "1:20:Ab"), std::string());
        QCOMPARE(ask(loop, 1, 48).data().size(), 21);
        QCOMPARE(uint8_t(ask(loop, 1, 48).data()[20]), uint8_t(0xAB));
        QCOMPARE(InstrumentSwitches::setDiagnostic(loop, "0:6:44"), std::string());
        QCOMPARE(readAdditionalStatus(ask(loop, 0, 48), 5).hart5Bytes, hex("44"));

        const struct {
            const char *value, *says;
        } refused[] = {
            {"5:6", "needs ADDR:BYTE:HEX"},  {"5:6:", "needs ADDR:BYTE:HEX"},
            {"5:x:01", "needs ADDR:BYTE:HEX"}, {"5:6:100", "needs ADDR:BYTE:HEX"},
            {"5:6:G1", "needs ADDR:BYTE:HEX"}, {"64:6:01", "no polling address"},
            {"3:6:01", "no instrument at polling address 3"}, {"5:25:01", "bytes 0 to 24"},
            {"0:14:01", "bytes 0 to 13"},     {":6:01", "no polling address"},
        };
        HartLoop untouched;
        for (const auto& r : refused) {
            const std::string why = InstrumentSwitches::setDiagnostic(untouched, r.value);
            QVERIFY2(why.find(r.says) != std::string::npos, (std::string(r.value) + ": " + why).c_str());
        }
        for (const HartInstrument& d : untouched.instruments) {
            QCOMPARE(ask(untouched, d.pollAddress, 48).data(), d.additionalStatus);
        }
    }

    void tagSwitch()
    {
        HartLoop loop;
        QCOMPARE(InstrumentSwitches::setTag(loop, "1:pt-202b"), std::string());
        QCOMPARE(*readTagDescriptorDate(ask(loop, 1, 13)).tag, QString("PT-202B"));
        QCOMPARE(InstrumentSwitches::setTag(loop, "0:A:B"), std::string()); // a colon is a character
        QCOMPARE(*readTagDescriptorDate(ask(loop, 0, 13)).tag, QString("A:B"));

        const struct {
            const char *value, *says;
        } refused[] = {
            {"1", "needs ADDR:TEXT"},
            {"1:ABCDEFGHI", "at most 8 characters"},
            {"1:PT~1", "cannot carry '~'"},
            {"1:PT\t1", "cannot carry byte 0x09"},
            {"1:\xC3\xA9", "cannot carry byte 0xC3"},
            {"7:PT-1", "no instrument at polling address 7"},
            {"x:PT-1", "no polling address"},
        };
        for (const auto& r : refused) {
            const std::string why = InstrumentSwitches::setTag(loop, r.value);
            QVERIFY2(why.find(r.says) != std::string::npos, (std::string(r.value) + ": " + why).c_str());
        }
        QCOMPARE(*readTagDescriptorDate(ask(loop, 1, 13)).tag, QString("PT-202B"));
    }

    // The program refuses a bad switch with a message and exit code 2, as --status does.
    void badSwitchesStopTheProgram()
    {
        for (const QStringList& args : {QStringList{"--diag", "5:6"}, QStringList{"--diag", "3:6:01"},
                                        QStringList{"--tag", "1:TOO-LONG-TAG"}, QStringList{"--tag"},
                                        QStringList{"--busy", "5:-1"}, QStringList{"--busy", "9:1"}}) {
            QProcess sim;
            sim.start(VK_SIM_PATH, QStringList{"--link", "/nonexistent/link"} + args);
            QVERIFY(sim.waitForFinished(5000));
            QCOMPARE(sim.exitCode(), 2);
            const QByteArray err = sim.readAllStandardError();
            QVERIFY2(err.contains(args[0].toLatin1()) && err.contains("Try 'vk742b-sim --help'"), err);
        }
    }

    // Commands 17 and 18 change what 12 and 13 return and echo what they set; each write
    // sets "configuration changed" and, from HART 6, counts a change.
    void writesChangeTheReadBack()
    {
        HartLoop loop;
        const QByteArray message = packAscii("CHECKED 2026-05-04", 32);
        const HartReply::Frame written = ask(loop, 5, 17, message);
        QCOMPARE(written.status().first, uint8_t(0));
        QCOMPARE(written.data(), message);
        QCOMPARE(*readMessage(ask(loop, 5, 12)).text, QString("CHECKED 2026-05-04"));
        QCOMPARE(*readIdentity(ask(loop, 5, 0)).configChangeCounter, uint16_t(18));
        QCOMPARE(ask(loop, 5, 12).status().second & 0x40, 0x40);

        const QByteArray tdd = packAscii("FT-102", 8) + packAscii("RETURN FLOW", 16) + bytes({4, 5, 126});
        QCOMPARE(ask(loop, 0, 18, tdd).data(), tdd);
        const TagDescriptorDate read = readTagDescriptorDate(ask(loop, 0, 13));
        QCOMPARE(*read.tag, QString("FT-102"));
        QCOMPARE(*read.descriptor, QString("RETURN FLOW"));
        QCOMPARE(read.date->date(), QDate(2026, 5, 4));
        QCOMPARE(ask(loop, 0, 13).status().second, uint8_t(0x40)); // HART 5: no counter, but the bit

        // Too few bytes, or a write-protected instrument: refused, nothing changed or counted.
        QCOMPARE(ask(loop, 2, 17, message.left(23)).status().first, uint8_t(5));
        QCOMPARE(ask(loop, 2, 18, tdd.left(20)).status().first, uint8_t(5));
        QCOMPARE(*readMessage(ask(loop, 2, 12)).text, QString("REACTOR 1 JACKET OUTLET"));
        QCOMPARE(ask(loop, 2, 12).status().second, uint8_t(0));
        const HartReply::Frame refused = ask(loop, 2, 18, tdd);
        QCOMPARE(refused.status().first, uint8_t(7));
        QVERIFY(refused.statusOnly());
        QCOMPARE(*readTagDescriptorDate(ask(loop, 2, 13)).tag, QString("TT-301"));
        QCOMPARE(ask(loop, 2, 17, message).status().first, uint8_t(7));
        QCOMPARE(ask(loop, 2, 0).status().second, uint8_t(0));
    }
};

QTEST_GUILESS_MAIN(TestSimInstruments)
#include "test_sim_instruments.moc"
