// Live values without a port: register formats, when MODBUS and HART replies are whole,
// and what each source makes of a session's outcomes.
#include "live/HartSource.h"
#include "live/ModbusSource.h"
#include "live/RegisterFormat.h"
#include "pages/hart/HartReply.h"
#include "sim/HartLoop.h"
#include "tests/support/Bytes.h"
#include "tools/ModbusReply.h"
#include "tools/ModbusTest.h"

#include <QtTest>
#include <bit>
#include <cmath>

namespace {

SessionOutcome outcome(SessionOutcome::Kind kind, const QByteArray& reply = {})
{
    SessionOutcome o;
    o.kind = kind;
    o.reply = reply;
    return o;
}

SessionOutcome decoded(const QByteArray& reply) { return outcome(SessionOutcome::Kind::Decoded, reply); }

// A slot's answer: ten registers, then the CRC.
QByteArray slotReply(uint8_t slave, const std::array<uint16_t, 10>& registers)
{
    QByteArray frame = bytes({slave, 0x03, 20});
    for (uint16_t r : registers) frame += bytes({r >> 8, r & 0xFF});
    return withModbusCrc(frame);
}

// Sends the source's next request to the stand-in's loop and hands back its answer.
LiveSource::Result ask(LiveSource& source, HartLoop& loop, double seconds = 10)
{
    const auto request = source.next();
    if (!request) return LiveSource::Result::PortLost;
    const QByteArray reply = loop.handle(request->frame, seconds);
    if (reply.isEmpty()) return source.take(outcome(SessionOutcome::Kind::TimedOut));
    return source.take(decoded(reply));
}

} // namespace

class TestLiveCodec : public QObject {
    Q_OBJECT

private slots:
    void registerFormats()
    {
        // 12.5 is 41 48 00 00; -5.0 is C0 A0 00 00; 70000 is 0001 1170.
        QCOMPARE(*RegisterFormat::decode(0x4148, 0x0000, 0), 12.5);
        QCOMPARE(*RegisterFormat::decode(0x0000, 0x4148, 1), 12.5);
        QCOMPARE(*RegisterFormat::decode(0x0001, 0x1170, 2), 70000.0);
        QCOMPARE(*RegisterFormat::decode(0x1170, 0x0001, 3), 70000.0);
        QCOMPARE(*RegisterFormat::decode(0x0000, 0xC0A0, 4), 5.0);
        QCOMPARE(*RegisterFormat::decode(0x0000, 0x40A0, 4), 5.0);
        QCOMPARE(*RegisterFormat::decode(0xFFFF, 0xFFFF, 2), 4294967295.0);
        // Single precision is kept exactly: the float nearest 0.1, not 0.1.
        QCOMPARE(*RegisterFormat::decode(0x3DCC, 0xCCCD, 0), double(0.1f));
        // HART's "no value" and the other patterns that are no number read as empty.
        QVERIFY(!RegisterFormat::decode(0x7FA0, 0x0000, 0));
        QVERIFY(!RegisterFormat::decode(0x0000, 0x7F80, 1));
        QVERIFY(!RegisterFormat::decode(0x0000, 0xFF80, 4));
        QCOMPARE(RegisterFormat::highest(0), 1);
        QCOMPARE(RegisterFormat::highest(1), 3);
        QCOMPARE(RegisterFormat::highest(4), 4);
    }

    // The reply is whole exactly when its last byte has come, however it is cut, whatever
    // noise came before it; a bad CRC, a wrong count or another slave's frame never reads
    // as values.
    void modbusRepliesAreWholeAtTheirLastByte()
    {
        const QByteArray reply = slotReply(7, {0x4148, 0, 0, 0x4148, 1, 2, 3, 4, 5, 6});
        const QByteArray exception = withModbusCrc(bytes({7, 0x83, 0x02}));
        for (const QByteArray& noise : {QByteArray(), bytes({0x00}), bytes({7, 0x10})})
            for (const QByteArray& whole : {reply, exception}) {
                const QByteArray got = noise + whole;
                for (qsizetype k = 0; k < got.size(); ++k)
                    QVERIFY2(!ModbusReply::missing(got.left(k), 7).isEmpty(), qPrintable(got.left(k).toHex(' ')));
                QVERIFY(ModbusReply::missing(got, 7).isEmpty());
                QVERIFY(ModbusReply::missing(got + "junk", 7).isEmpty());
            }
        QCOMPARE(ModbusReply::missing(reply.left(5), 7), QStringList{"20 more bytes"});

        const auto read = ModbusReply::read(bytes({0x00}) + reply, 7, 10);
        QCOMPARE(read.kind, ModbusReply::Answer::Kind::Registers);
        QCOMPARE(read.registers[0], uint16_t(0x4148));
        QCOMPARE(read.registers[9], uint16_t(6));
        QCOMPARE(ModbusReply::read(exception, 7, 10).kind, ModbusReply::Answer::Kind::Exception);
        QCOMPARE(ModbusReply::read(exception, 7, 10).exceptionCode, uint8_t(2));
        QByteArray flipped = reply;
        flipped[10] = char(flipped[10] ^ 0x01);
        QCOMPARE(ModbusReply::read(flipped, 7, 10).kind, ModbusReply::Answer::Kind::Garbled);
        QCOMPARE(ModbusReply::read(reply, 7, 9).kind, ModbusReply::Answer::Kind::Garbled);
        QCOMPARE(ModbusReply::read(reply.left(reply.size() - 1), 7, 10).kind, ModbusReply::Answer::Kind::Garbled);
        QVERIFY(!ModbusReply::missing(reply, 8).isEmpty());
    }

    // The stand-in's own answers, short and long frame, are whole at their checksum and
    // not before, behind an echo of the request or line noise.
    void hartRepliesAreWholeAtTheirChecksum()
    {
        HartLoop loop;
        const HartCodec::Identity flow{0x26, 0x05, {0x00, 0x00, 0x01}};
        const QByteArray identify = HartCodec::shortFrame(5, HartCodec::kMasterBit, 0, 0);
        const QByteArray read = HartCodec::longFrame(5, HartCodec::kMasterBit, flow, 3);
        for (const QByteArray& request : {identify, read}) {
            const QByteArray reply = loop.handle(request, 1.0);
            QVERIFY(!reply.isEmpty());
            for (const QByteArray& before : {QByteArray(), request, bytes({0x00, 0xFF})}) {
                const QByteArray got = before + reply;
                for (qsizetype k = 0; k < got.size(); ++k)
                    QVERIFY2(!HartReply::missing(got.left(k)).isEmpty(), qPrintable(got.left(k).toHex(' ')));
                QVERIFY(HartReply::missing(got).isEmpty());
                const auto frame = HartReply::read(got);
                QVERIFY(frame && frame->whole && frame->checksumOk);
                QCOMPARE(frame->longAddress(), request == read);
                QCOMPARE(frame->command, uint8_t(request == read ? 3 : 0));
            }
            QByteArray garbled = reply;
            garbled[garbled.size() - 3] = char(garbled[garbled.size() - 3] ^ 0x40);
            QVERIFY(HartReply::missing(garbled).isEmpty());
            QVERIFY(!HartReply::read(garbled)->checksumOk);
        }
    }

    void aSlotsValuesFollowItsFormats()
    {
        ModbusSource source(7, 2, {0, 1, 2, 3, 4});
        source.begin();
        const auto request = source.next();
        QVERIFY(request);
        QCOMPARE(request->frame, modbusReadRequest(7, 20, 10).bytes);
        QVERIFY(!source.next()); // one request a cycle
        const QByteArray reply = slotReply(7, {0x4148, 0x0000, 0x0000, 0x4148, 0x0001, 0x1170, 0x1170, 0x0001, 0x0000, 0xC0A0});
        QVERIFY(request->missing(reply.left(10)).size() == 1 && request->missing(reply).isEmpty());
        QCOMPARE(source.take(decoded(reply)), LiveSource::Result::Answer);
        const auto cells = source.cells();
        const double expected[] = {12.5, 12.5, 70000, 70000, 5};
        for (int v = 0; v < 5; ++v) QCOMPARE(*cells[size_t(v)].number, expected[v]);
        QCOMPARE(source.columns()[1].key, QString("slot2.variable_1"));
        QCOMPARE(source.status(), QString("ok"));

        // The next cycle's misses empty every cell: nothing is carried over.
        const struct {
            SessionOutcome outcome;
            LiveSource::Result result;
            const char* status;
        } misses[] = {
            {outcome(SessionOutcome::Kind::TimedOut), LiveSource::Result::TimedOut, "no answer"},
            {decoded(withModbusCrc(bytes({7, 0x83, 0x0B}))), LiveSource::Result::Exception, "exception 0B"},
            {decoded(reply.left(reply.size() - 1) + 'x'), LiveSource::Result::Garbled, "CRC error"},
            {outcome(SessionOutcome::Kind::PortLost), LiveSource::Result::PortLost, "port lost"},
        };
        for (const auto& m : misses) {
            source.begin();
            QVERIFY(source.next());
            QCOMPARE(source.take(m.outcome), m.result);
            QCOMPARE(source.status(), QString(m.status));
            for (const LiveCell& c : source.cells()) QVERIFY(c.empty());
        }
    }

    // Command 0 once for the identity, then command 3 each cycle; after a miss the
    // identity is learnt again.
    void anInstrumentIsIdentifiedThenRead()
    {
        HartLoop loop;
        HartSource source(1);
        source.begin();
        QCOMPARE(source.columns()[1].header(), QString("hart1.pv")); // no unit before a reply
        QCOMPARE(ask(source, loop), LiveSource::Result::Answer);     // command 0
        QCOMPARE(ask(source, loop), LiveSource::Result::Answer);     // command 3
        QVERIFY(!source.next());
        const auto cells = source.cells();
        const auto values = HartLoop::variables(loop.instruments[1], 10);
        QCOMPARE(*cells[0].number, double(HartLoop::loopCurrent(loop.instruments[1], 10)));
        for (int v = 0; v < 4; ++v) QCOMPARE(*cells[size_t(1 + v)].number, double(values[size_t(v)]));
        QCOMPARE(cells[5].text, QString("success"));
        QStringList headers;
        for (const LiveColumn& c : source.columns()) headers << c.header();
        QCOMPARE(headers, QStringList({"hart1.current[mA]", "hart1.pv[bar]", "hart1.sv[℃]", "hart1.tv[MPa]",
                                       "hart1.qv[%]", "hart1.status"}));

        // The next cycle goes straight to command 3.
        source.begin();
        QCOMPARE(uint8_t(source.next()->frame[6]), uint8_t(0x82));
        QCOMPARE(source.take(outcome(SessionOutcome::Kind::TimedOut)), LiveSource::Result::TimedOut);
        for (const LiveCell& c : source.cells()) QVERIFY(c.empty());
        source.begin();
        QCOMPARE(uint8_t(source.next()->frame[6]), uint8_t(0x02));

        // A garbled answer, and an instrument that sends no value (7F A0 00 00).
        QByteArray reply = loop.handle(source.next()->frame, 10);
        source.begin();
        reply[reply.size() - 1] = char(reply[reply.size() - 1] ^ 1);
        QVERIFY(source.next());
        QCOMPARE(source.take(decoded(reply)), LiveSource::Result::Garbled);
        loop.instruments[1].base[0] = std::bit_cast<float>(0x7FA00000u);
        source.begin();
        QCOMPARE(ask(source, loop), LiveSource::Result::Answer);
        QCOMPARE(ask(source, loop), LiveSource::Result::Answer);
        QVERIFY(source.cells()[1].empty());
        QVERIFY(source.cells()[2].number);

        // A reply that reports a communication error (framing): its status, and no values
        // from the bytes that follow it.
        source.begin();
        QByteArray heard = loop.handle(source.next()->frame, 10);
        const qsizetype d = heard.indexOf(char(0x86));
        heard[d + 8] = char(0x90);
        uint8_t sum = 0;
        for (qsizetype i = d; i + 1 < heard.size(); ++i) sum ^= uint8_t(heard[i]);
        heard[heard.size() - 1] = char(sum);
        QCOMPARE(source.take(decoded(heard)), LiveSource::Result::Answer);
        for (int c = 0; c < 5; ++c) QVERIFY(source.cells()[size_t(c)].empty());
        QVERIFY2(source.cells()[5].text.contains("framing"), qPrintable(source.cells()[5].text));
    }
};

QTEST_MAIN(TestLiveCodec)
#include "test_live_codec.moc"
