// HART reply frames without I/O: the status bytes in words, when a reply is whole, what
// commands 0, 3, 13 and 20 carry, the traffic log's notes, and the stand-in's answers.
#include "exchange/TrafficLog.h"
#include "pages/hart/HartCodec.h"
#include "pages/hart/HartCommands.h"
#include "pages/hart/HartReply.h"
#include "pages/hart/HartStatus.h"
#include "pages/hart/HartTrafficNotes.h"
#include "session/HartScan.h"
#include "sim/HartAnswers.h"
#include "sim/HartLoop.h"
#include "tests/support/Bytes.h"

#include <QtTest>

using HartStatus::Severity;

namespace {

// A reply as an instrument frames it: five preambles, then the frame and its checksum.
QByteArray reply(const QByteArray& address, uint8_t command, uint8_t first, uint8_t second, const QByteArray& data = {})
{
    QByteArray frame(1, char(address.size() == 5 ? 0x86 : 0x06));
    frame += address;
    frame += char(command);
    frame += char(data.size() + 2);
    frame += char(first);
    frame += char(second);
    frame += data;
    uint8_t sum = 0;
    for (char c : frame) sum ^= uint8_t(c);
    return QByteArray(5, char(0xFF)) + frame + char(sum);
}

// What the stand-in's loop answers to a short frame to `poll`, or a long frame to `to`.
QByteArray ask(HartLoop& loop, int poll, uint8_t command)
{
    return loop.handle(HartCodec::typedFrame(5, bytes({0x02, 0x80 | poll, command, 0})), 0);
}

QByteArray askLong(HartLoop& loop, const HartCodec::Identity& to, uint8_t command, double seconds = 0)
{
    return loop.handle(HartScan::longFrame({}, to, command), seconds);
}

HartReply::Frame frameOf(const QByteArray& bytes)
{
    const auto f = HartReply::read(bytes);
    if (!f) qFatal("no reply in the bytes");
    return *f;
}

} // namespace

class TestHartStatus : public QObject {
    Q_OBJECT

private slots:
    void communicationErrorBits()
    {
        const struct {
            uint8_t first;
            QStringList words;
        } cases[] = {
            {0x80, {}},
            {0xC0, {"vertical parity"}},
            {0xA0, {"overrun"}},
            {0x90, {"framing"}},
            {0x88, {"longitudinal parity"}},
            {0x82, {"buffer overflow"}},
            {0xD2, {"vertical parity", "framing", "buffer overflow"}},
            {0x85, {"bit 0x04", "bit 0x01"}}, // bits without a meaning are still shown
        };
        for (const auto& c : cases) QCOMPARE(HartStatus::communicationErrors(c.first), c.words);
    }

    void responseCodesByCommandAndCode()
    {
        const struct {
            uint8_t command, code;
            const char* text;
            Severity severity;
        } cases[] = {
            {0, 0, "success", Severity::Ok},
            {0, 2, "invalid selection", Severity::Error},
            {0, 3, "parameter too large", Severity::Error},
            {0, 4, "parameter too small", Severity::Error},
            {0, 5, "too few data bytes", Severity::Error},
            {0, 6, "device-specific command error", Severity::Error},
            {0, 7, "in write-protect mode", Severity::Error},
            {0, 8, "warning", Severity::Warning},
            {0, 16, "access restricted", Severity::Error},
            {0, 32, "busy", Severity::Error},
            {0, 64, "command not implemented", Severity::Error},
            // The same code means different things to different commands.
            {3, 8, "update failure", Severity::Warning},
            {48, 8, "update in progress", Severity::Warning},
            {6, 2, "invalid polling address", Severity::Error},
            {13, 2, "invalid selection", Severity::Error},
            {48, 14, "status bytes mismatch", Severity::Warning},
            // Codes without a known meaning are named by number, in their class.
            {0, 14, "response code 14", Severity::Warning},
            {3, 9, "response code 9", Severity::Error},
            {6, 15, "response code 15", Severity::Error},
            {0, 1, "response code 1", Severity::Error},
            {0, 24, "response code 24", Severity::Warning},
            {0, 65, "response code 65", Severity::Error},
            {0, 100, "response code 100", Severity::Warning},
        };
        for (const auto& c : cases) {
            const HartStatus::Meaning m = HartStatus::responseCode(c.command, c.code);
            QCOMPARE(m.text, QString(c.text));
            QCOMPARE(m.severity, c.severity);
        }
    }

    void fieldDeviceStatusBits()
    {
        const char* const words[8] = {"device malfunction",
                                      "configuration changed",
                                      "cold start",
                                      "more status available",
                                      "loop current fixed",
                                      "loop current saturated",
                                      "non-primary variable out of limits",
                                      "primary variable out of limits"};
        for (int bit = 0; bit < 8; ++bit) {
            const uint8_t mask = uint8_t(0x80 >> bit);
            QCOMPARE(HartStatus::deviceStatus(mask), QStringList{words[bit]});
            // Every bit but the malfunction is a warning.
            QCOMPARE((HartStatus::Status{0, 0, mask}.severity()), mask == 0x80 ? Severity::Error : Severity::Warning);
        }
        QCOMPARE(HartStatus::deviceStatus(0x81), QStringList({"device malfunction", "primary variable out of limits"}));
        QVERIFY(HartStatus::deviceStatus(0).isEmpty());
    }

    void bothBytesTogether()
    {
        const struct {
            HartStatus::Status status;
            const char* summary;
            Severity severity;
        } cases[] = {
            {{3, 0x00, 0x00}, "success", Severity::Ok},
            {{3, 0x00, 0x48}, "success; configuration changed, loop current fixed", Severity::Warning},
            {{3, 0x08, 0x00}, "update failure", Severity::Warning},
            {{0, 0x00, 0x81}, "success; device malfunction, primary variable out of limits", Severity::Error},
            {{0, 0x40, 0x00}, "command not implemented", Severity::Error}, // 0x40 is a code, not bit 6
            // Bit 7: the first byte is no response code, and warnings do not soften it.
            {{0, 0xD0, 0x00}, "communication error: vertical parity, framing", Severity::Error},
            {{0, 0x88, 0x40}, "communication error: longitudinal parity; configuration changed", Severity::Error},
            {{13, 0x20, 0x00}, "busy", Severity::Error},
        };
        for (const auto& c : cases) {
            QCOMPARE(c.status.summary(), QString(c.summary));
            QCOMPARE(c.status.severity(), c.severity);
        }
        const QString details = HartStatus::Status{3, 0x08, 0x81}.details();
        QVERIFY2(details.contains("Response code 8 to command 3: update failure (a warning)") &&
                     details.contains("Field device status 0x81:\n  device malfunction\n  primary "
                                      "variable out of limits"),
                 qPrintable(details));
        QVERIFY((HartStatus::Status{0, 0xC0, 0}.details().contains("Communication error 0xC0")));
    }

    // A reply is whole exactly when its checksum has arrived, cut anywhere, with short and
    // long addresses, with and without data; what is missing goes in order.
    void aReplyIsWholeOnlyWithItsChecksum()
    {
        const QByteArray replies[] = {
            reply(hex("80"), 0, 0, 0, hex("FE 26 05 05 05 01 01 08 00 00 00 01")),
            reply(hex("91 22 00 12 34"), 3, 0, 0x40, QByteArray(24, 'x')),
            reply(hex("81"), 48, 0x20, 0), // status bytes only
            QByteArray("QQQ#QV:VK742-B#") + reply(hex("85"), 13, 0, 0, QByteArray(21, '\x10')),
        };
        const QStringList all = {"preambles", "delimiter", "address", "command", "byte count", "data", "checksum"};
        for (const QByteArray& whole : replies) {
            QStringList before = all;
            for (qsizetype cut = 0; cut < whole.size(); ++cut) {
                const QStringList missing = HartReply::missing(whole.left(cut));
                QVERIFY2(!missing.isEmpty() && missing.last() == "checksum", qPrintable(whole.left(cut).toHex(' ')));
                QVERIFY(all.mid(all.size() - missing.size()) == missing); // a tail of the pieces
                QVERIFY(missing.size() <= before.size());                 // never goes back
                before = missing;
                const auto partial = HartReply::read(whole.left(cut));
                QVERIFY(!partial || !partial->whole);
            }
            QVERIFY(HartReply::missing(whole).isEmpty());
            const HartReply::Frame f = frameOf(whole + "trailing");
            QVERIFY(f.whole && f.checksumOk);
        }
        QCOMPARE(HartReply::missing({}), all);
        QCOMPARE(HartReply::missing(hex("FF FF")).first(), QString("delimiter"));

        QByteArray corrupt = replies[0];
        corrupt[10] = char(corrupt[10] ^ 1);
        QVERIFY(HartReply::missing(corrupt).isEmpty()); // whole, if wrong
        QVERIFY(!frameOf(corrupt).checksumOk);
    }

    // A late answer from another instrument, or to another command, is passed over whole;
    // the request's own answer after it is what is read. A frame not yet whole cannot be
    // told apart and is kept; the master and burst bits of an address are not compared.
    void anAnswerToAnotherRequestIsPassedOver()
    {
        const QByteArray identify1 = HartCodec::shortFrame(5, HartCodec::kMasterBit, 1, 0);
        const QByteArray fromZero = reply(hex("80"), 0, 0, 0, QByteArray(12, 1));
        const QByteArray fromOne = reply(hex("81"), 0, 0, 0, QByteArray(12, 2));
        const QByteArray otherCommand = reply(hex("81"), 13, 0, 0, QByteArray(21, 3));
        QCOMPARE(HartReply::answerTo(fromZero + otherCommand + fromOne, identify1), fromOne.mid(4));
        QCOMPARE(frameOf(HartReply::answerTo(fromZero + fromOne, identify1)).data(), QByteArray(12, 2));
        QCOMPARE(HartReply::answerTo(fromZero + "\x01\x02", identify1), QByteArray("\x01\x02"));
        QVERIFY(!HartReply::missing(HartReply::answerTo(fromZero, identify1)).isEmpty());
        const QByteArray cut = fromZero.left(fromZero.size() - 1);
        QCOMPARE(HartReply::answerTo(cut, identify1), cut.mid(4)); // from its last preamble byte
        QCOMPARE(HartReply::answerTo(reply(hex("C1"), 0, 0, 0), identify1), reply(hex("C1"), 0, 0, 0).mid(4));

        const HartCodec::Identity flow{0x26, 0x05, {0x00, 0x00, 0x01}};
        const QByteArray read = HartCodec::longFrame(5, HartCodec::kMasterBit, flow, 3);
        const QByteArray own = reply(hex("A6 05 00 00 01"), 3, 0, 0, QByteArray(24, 4));
        const QByteArray another = reply(hex("A6 05 00 00 02"), 3, 0, 0, QByteArray(24, 5));
        QCOMPARE(HartReply::answerTo(another + own, read), own.mid(4));
        QCOMPARE(HartReply::answerTo(another, read), QByteArray());
        for (const QByteArray& notHart : {QByteArray("QQQ#QX#"), QByteArray()})
            QCOMPARE(HartReply::answerTo(fromZero, notHart), fromZero);
    }

    // Only the two status bytes: read without error, nothing taken as data.
    void aReplyOfStatusBytesOnly()
    {
        const HartReply::Frame f = frameOf(reply(hex("80"), 0, 32, 0x10));
        QVERIFY(f.whole && f.checksumOk && f.statusOnly());
        QCOMPARE(f.status().summary(), QString("busy; more status available"));
        QVERIFY(f.data().isEmpty());
        QVERIFY(!HartCommands::identity(f));
        const auto none = HartCommands::dynamicVariables(reply(hex("91 22 00 12 34"), 3, 64, 0));
        QVERIFY(none && !none->loopCurrent && none->variables.empty());
        QCOMPARE(none->status.first, uint8_t(64));
        QVERIFY(!HartCommands::tag(frameOf(reply(hex("80"), 13, 64, 0))));
        QVERIFY(!HartCommands::longTag(frameOf(reply(hex("80"), 20, 0, 0))));
    }

    // A communication error's data are not read, whatever the byte count says; nor those
    // beside an error response code.
    void aCommunicationErrorCarriesNoData()
    {
        const QByteArray identity = hex("FE 26 05 05 05 01 01 08 00 00 00 01");
        QVERIFY(HartCommands::identity(frameOf(reply(hex("80"), 0, 0, 0, identity))));
        QVERIFY(!HartCommands::identity(frameOf(reply(hex("80"), 0, 0x90, 0, identity))));
        // Nor those beside a response code that is an error; a warning's are read.
        const QByteArray tag = hex("49 14 D4 82 08 20");
        QVERIFY(!HartCommands::identity(frameOf(reply(hex("80"), 0, 64, 0, identity))));
        QVERIFY(!HartCommands::tag(frameOf(reply(hex("80"), 13, 5, 0, tag + QByteArray(15, 0)))));
        QVERIFY(HartCommands::tag(frameOf(reply(hex("80"), 13, 8, 0, tag + QByteArray(15, 0)))));
        const auto values = HartCommands::dynamicVariables(reply(hex("91 22 00 12 34"), 3, 0xC0, 0, QByteArray(24, 1)));
        QVERIFY(values && values->status.communicationError() && values->variables.empty() && !values->loopCurrent);
    }

    void identityTagsAndValuesFromTheStandIn()
    {
        HartLoop loop;
        loop.at(5)->status = 0x81;
        const struct {
            int poll;
            const char *manufacturer, *deviceType, *id, *tag;
            int revision;
            std::optional<QString> longTag;
        } instruments[] = {
            {0, "0x26", "0x05", "000001", "FT-101", 5, std::nullopt},
            {1, "0x11", "0x22", "001234", "PT-201", 6, QString("Feed pump discharge pressure")},
            {2, "0x4A", "0x81", "0ABCDE", "TT-301", 5, std::nullopt},
            {5, "0x60A7", "0xE1A5", "00A1B2", "LT-505", 7, QString("Buffer tank level")},
        };
        for (const auto& i : instruments) {
            const HartReply::Frame answer = frameOf(ask(loop, i.poll, 0));
            QVERIFY(answer.whole && answer.checksumOk);
            QCOMPARE(answer.pollAddress(), i.poll);
            const auto id = HartCommands::identity(answer);
            QVERIFY(id);
            QCOMPARE(id->manufacturerText(), QString(i.manufacturer));
            QCOMPARE(id->deviceTypeText(), QString(i.deviceType));
            QCOMPARE(id->idText(), QString(i.id));
            QCOMPARE(int(id->revision), i.revision);
            QCOMPARE(HartCommands::tag(frameOf(askLong(loop, id->longAddress, 13))), std::optional<QString>(i.tag));
            // Command 20 is not there before HART 6: status bytes only.
            const HartReply::Frame longTag = frameOf(askLong(loop, id->longAddress, 20));
            QCOMPARE(HartCommands::longTag(longTag), i.longTag);
            if (!i.longTag) QCOMPARE(longTag.status().first, uint8_t(64));

            const auto values = HartCommands::dynamicVariables(askLong(loop, id->longAddress, 3, 42.0));
            QVERIFY(values && values->loopCurrent);
            QCOMPARE(values->status.second, uint8_t(i.poll == 5 ? 0x81 : 0));
            QCOMPARE(values->variables.size(), size_t(4));
            const HartInstrument& d = *loop.at(i.poll);
            const auto expected = HartLoop::variables(d, 42.0);
            for (size_t v = 0; v < 4; ++v) {
                QCOMPARE(values->variables[v].unit, d.units[v]);
                QCOMPARE(values->variables[v].value, expected[v]);
            }
            QCOMPARE(*values->loopCurrent, HartLoop::loopCurrent(d, 42.0));
        }
        // The page's own decoder reads the HART 7 identity's address bytes as before.
        const auto kept = HartCodec::decodeIdentity(ask(loop, 5, 0), 5).identity;
        QVERIFY(kept && kept->manufacturer == 0xE1 && kept->deviceType == 0xA5);
    }

    void theStandInsOtherCommands()
    {
        HartLoop loop;
        const HartCodec::Identity pressure{0x11, 0x22, {0x00, 0x12, 0x34}};
        const HartInstrument& d = *loop.at(1);
        const QByteArray pv = frameOf(askLong(loop, pressure, 1, 7.0)).data();
        QCOMPARE(pv.size(), 5);
        QCOMPARE(uint8_t(pv[0]), d.units[0]);
        const QByteArray current = frameOf(askLong(loop, pressure, 2, 7.0)).data();
        QCOMPARE(current.size(), 8);
        QByteArray expected;
        appendFloat(expected, HartLoop::loopCurrent(d, 7.0));
        appendFloat(expected, (HartLoop::loopCurrent(d, 7.0) - 4.0f) / 16.0f * 100.0f);
        QCOMPARE(current, expected);
        QCOMPARE(frameOf(askLong(loop, pressure, 48)).data().size(), 14); // HART 6: to analog channel fixed
        QCOMPARE(frameOf(ask(loop, 0, 48)).data().size(), 6);            // HART 5

        // Status bits set for an instrument go out with every answer; commands it does not
        // know get the status bytes only.
        loop.at(1)->status = 0x50;
        const HartReply::Frame unknown = frameOf(askLong(loop, pressure, 33));
        QVERIFY(unknown.statusOnly() && unknown.checksumOk);
        QCOMPARE(unknown.status().summary(),
                 QString("command not implemented; configuration changed, more status available"));
        QCOMPARE(uint8_t(frameOf(askLong(loop, pressure, 48)).data()[0]), uint8_t(0x01));
    }

    void packedCharacters()
    {
        QCOMPARE(HartCommands::unpackAscii(hex("00 10 83")), QString("@ABC"));
        QCOMPARE(HartCommands::unpackAscii(hex("04 20 C4 C0 08 20 C3")),
                 QString("ABCD0@  ")); // a part group is left
        QCOMPARE(HartCommands::unpackAscii(HartAnswers::packAscii("pt-201", 8)), QString("PT-201  "));
    }

    void scanFrames()
    {
        HartScan::Options o;
        QCOMPARE(HartScan::pollFrame(o, 0), HartCodec::shortFrame(5, HartCodec::kMasterBit, 0, 0));
        QCOMPARE(HartScan::pollFrame(o, 40).right(5), hex("02 A8 00 00").append(char(0x02 ^ 0xA8)));
        o.master = 0;
        QCOMPARE(uint8_t(HartScan::pollFrame(o, 63)[7]), uint8_t(0x3F));
        // The long address keeps six bits of its first byte; the rest are master and burst.
        const QByteArray frame = HartScan::longFrame({}, {0xE1, 0xA5, {0x00, 0xA1, 0xB2}}, 13);
        QCOMPARE(frame.mid(6, 7), hex("82 A1 A5 00 A1 B2 0D"));
    }

    // The log notes a reply's status on the line of the chunk that completes it.
    void trafficLogNotes()
    {
        TrafficLog log;
        HartTrafficNotes notes;
        log.noteTaker = [&](TrafficLog::Direction d, const QByteArray& b) {
            return d == TrafficLog::Direction::Sent ? notes.sent(b) : notes.received(b);
        };
        log.add(TrafficLog::Direction::Sent, HartCodec::shortFrame(6, HartCodec::kMasterBit, 5, 0), 0);
        const QByteArray answer = reply(hex("85"), 0, 0, 0x81, QByteArray(12, 0));
        log.add(TrafficLog::Direction::Received, answer.left(9), 0);
        log.add(TrafficLog::Direction::Received, answer.mid(9), 0);
        log.add(TrafficLog::Direction::Sent, "QQQ#QV#", 0);
        log.add(TrafficLog::Direction::Received, "QQQ#QV:VK742-B V6.0#", 0);
        QCOMPARE(log.frames()[0].note, QString("HART command 0 to polling address 5"));
        QVERIFY(log.frames()[1].note.isEmpty());
        QCOMPARE(log.frames()[2].note, QString("HART reply to command 0: success; device "
                                               "malfunction, primary variable out of limits"));
        QVERIFY(TrafficLog::line(log.frames()[2]).endsWith("  |  " + log.frames()[2].note));
        QVERIFY(log.frames()[3].note.isEmpty() && log.frames()[4].note.isEmpty());
        QVERIFY(!TrafficLog::line(log.frames()[4]).endsWith("  |  "));

        QByteArray garbled = reply(hex("91 22 00 12 34"), 3, 0, 0, QByteArray(24, 0));
        garbled[20] = char(garbled[20] ^ 0x20); // a data byte
        notes.sent(HartCodec::longFrame(6, HartCodec::kMasterBit, {}, 3));
        QCOMPARE(notes.received(garbled), QString("HART reply to command 3: success (checksum does not match)"));
        QVERIFY(notes.received(garbled.right(3)).isEmpty()); // noted once
    }
};

QTEST_GUILESS_MAIN(TestHartStatus)
#include "test_hart_status.moc"
