// The converter session over a pseudo-terminal: when a request ends, what its outcome says,
// and that the lent port comes back as it was.
#include "pages/hart/HartCodec.h"
#include "pages/hart/HartReply.h"
#include "pages/system/SystemCodec.h"
#include "tools/Crc16.h"
#include "tools/ModbusReply.h"
#include "tools/ModbusTest.h"
#include "serial/Comm.h"
#include "session/ConverterSession.h"
#include "tests/support/PtyPair.h"

#include <QElapsedTimer>
#include <QtTest>
#include <optional>

namespace {

const QByteArray kSystemReply = "QQQ#QX:BA1:30#BA2:30#MD:1#ADR:017#XY1:3#XY2:3#JTM:050#AADR:00100,40001#";

SessionRequest systemQuery()
{
    SessionRequest r;
    r.frame = SystemCodec::queryRequest();
    r.missing = [](const QByteArray& t) { return SystemCodec::missingKeys(t); };
    r.decode = [](const QByteArray& t) { return SystemCodec::decodeReply(t); };
    return r;
}

SessionRequest setRequest(const QByteArray& frame)
{
    SessionRequest r;
    r.frame = frame;
    r.kind = SessionRequest::Kind::Set;
    return r;
}

// Command 0's answer from a short address: preambles, frame, checksum.
QByteArray hartFrame(uint8_t address, const QByteArray& data)
{
    QByteArray frame = QByteArray::fromHex("06") + char(address) + char(0) + char(data.size() + 2) + '\0' + '\0' + data;
    uint8_t sum = 0;
    for (char c : frame) sum ^= uint8_t(c);
    return QByteArray(5, char(0xFF)) + frame + char(sum);
}

// Read Holding Registers from `slave`, as the live values ask, and its answer.
SessionRequest modbusRead(uint8_t slave)
{
    SessionRequest r;
    r.frame = modbusReadRequest(slave, 0, 2).bytes;
    r.missing = [slave](const QByteArray& t) { return ModbusReply::missing(t, slave); };
    r.readable = [slave](const QByteArray& t) {
        return ModbusReply::read(t, slave, 2).kind != ModbusReply::Answer::Kind::Garbled;
    };
    return r;
}

QByteArray modbusReply(uint8_t slave, const QByteArray& registers)
{
    QByteArray reply = QByteArray(1, char(slave)) + char(3) + char(registers.size()) + registers;
    const Crc16Bytes crc = crc16Modbus(reinterpret_cast<const uint8_t*>(reply.constData()), size_t(reply.size()));
    return reply + char(crc.low) + char(crc.high);
}

// A port on the pseudo-terminal and a session lent it.
struct Rig {
    PtyPair pty;
    TComm comm;
    NoView view;
    std::unique_ptr<ConverterSession> session;

    explicit Rig(ConverterSession::Options options = {})
    {
        comm.SetCommName(QString::fromStdString(pty.slavePath()));
        comm.OpenPort();
        session = std::make_unique<ConverterSession>(comm, view, options);
    }
    // Sends and waits for the outcome; `farEnd` plays the converter once the frame arrived.
    SessionOutcome run(const SessionRequest& request, const std::function<void()>& farEnd = {}, int ms = 6000)
    {
        std::optional<SessionOutcome> outcome;
        session->send(request, [&](const SessionOutcome& o) { outcome = o; });
        if (farEnd) {
            QByteArray got;
            // Whether it came whole is checked next.
            (void)QTest::qWaitFor([&] { return (got += pty.readQuiet(10, 100)).size() >= request.frame.size(); });
            if (got != request.frame) QTest::qFail("the request did not arrive whole", __FILE__, __LINE__);
            farEnd();
        }
        if (!QTest::qWaitFor([&] { return outcome.has_value(); }, ms))
            QTest::qFail("the request did not end", __FILE__, __LINE__);
        return outcome.value_or(SessionOutcome{});
    }
};

} // namespace

class TestSession : public QObject {
    Q_OBJECT

private slots:
    // A reply in pieces is gathered however long the pause between them, and the query
    // ends as soon as its last field is in, not at the time limit.
    void aQueryEndsWhenItsReplyIsComplete()
    {
        for (int pauseMs : {150, 1000}) {
            Rig rig;
            QElapsedTimer clock;
            const SessionOutcome o = rig.run(systemQuery(), [&] {
                rig.pty.write(kSystemReply.left(40));
                QTest::qWait(pauseMs);
                clock.start();
                rig.pty.write(kSystemReply.mid(40));
            });
            QCOMPARE(int(o.kind), int(SessionOutcome::Kind::Decoded));
            QCOMPARE(o.reply, kSystemReply);
            QCOMPARE(o.decoded.updates, SystemCodec::decodeReply(kSystemReply).updates);
            QVERIFY2(clock.elapsed() < 500, qPrintable(QString::number(clock.elapsed())));
        }
    }

    void aSetEndsAtItsClosingMarkWhateverItSays()
    {
        Rig rig;
        SessionOutcome o = rig.run(setRequest("QQS#MD:1#"), [&] {
            rig.pty.write("QQS#M");
            QTest::qWait(300);
            rig.pty.write("D:OK#");
        });
        QCOMPARE(int(o.kind), int(SessionOutcome::Kind::Acknowledged));
        QCOMPARE(o.reply, QByteArray("QQS#MD:OK#"));

        o = rig.run(setRequest("QQS#MD:7#"), [&] { rig.pty.write("QQS#ERR:MD#"); });
        QCOMPARE(int(o.kind), int(SessionOutcome::Kind::Refused));
        QCOMPARE(o.problem(), QString("the converter refused it: QQS#ERR:MD#"));
    }

    // At the time limit: nothing is a timeout, part of a query's reply names what it lacks,
    // and a set reply without its closing mark is still judged by what it says.
    void theLimitJudgesWhatCame()
    {
        Rig rig({10, 20, 600, 4096});
        SessionOutcome o = rig.run(systemQuery(), [] {});
        QCOMPARE(int(o.kind), int(SessionOutcome::Kind::TimedOut));
        QCOMPARE(o.problem(), QString("no answer within 3 s"));

        o = rig.run(systemQuery(), [&] { rig.pty.write(kSystemReply.left(50)); });
        QCOMPARE(int(o.kind), int(SessionOutcome::Kind::MissingKeys));
        QCOMPARE(o.missing, QStringList({"JTM:", "AADR"}));
        QCOMPARE(o.problem(), QString("answered, missing JTM:, AADR"));
        QVERIFY(o.decoded.updates.empty()); // a reply cut short is never decoded

        o = rig.run(setRequest("QQS#MD:1#"), [&] { rig.pty.write("QQS#MD:OK"); });
        QCOMPARE(int(o.kind), int(SessionOutcome::Kind::Acknowledged));
    }

    // Bytes that come while no request waits answer nothing that was asked.
    void aChunkBetweenRequestsIsNotTakenAsTheNextReply()
    {
        Rig rig;
        QSignalSpy arrived(rig.session.get(), &PortTraffic::chunkArrived);
        rig.pty.write("QQQ#QX:BA1:71#");
        QTRY_COMPARE(arrived.size(), 1); // logged all the same
        const SessionOutcome o = rig.run(systemQuery(), [&] { rig.pty.write(kSystemReply); });
        QCOMPARE(o.reply, kSystemReply);
    }

    // Bytes that came while a set was out but do not read as its answer (here another
    // setting's acknowledgement, or its own with a bit flipped) are no acknowledgement,
    // nor silence: the converter heard the request and may have taken it.
    void anAnswerThatCannotBeReadIsNotSilence()
    {
        Rig rig({10, 20, 600, 4096});
        for (const QByteArray& came : {QByteArray("QQS#ADR:OK#"), QByteArray("QQS#Md:OK#")}) {
            const SessionOutcome o = rig.run(setRequest("QQS#MD:1#"), [&] { rig.pty.write(came); });
            QCOMPARE(int(o.kind), int(SessionOutcome::Kind::Unreadable));
            QCOMPARE(o.reply, came);
            QCOMPARE(o.problem(), QString("an answer came that could not be read"));
        }
        const SessionOutcome o = rig.run(setRequest("QQS#MD:1#"), [&] { rig.pty.write("QQS#ADR:OK#QQS#MD:OK#"); });
        QCOMPARE(int(o.kind), int(SessionOutcome::Kind::Acknowledged));
        QCOMPARE(o.reply, QByteArray("QQS#MD:OK#"));
    }

    // A whole MODBUS reply whose CRC fails ends its request at once, unread.
    void aReplyWithABadChecksumEndsUnread()
    {
        Rig rig({10, 5, 3000, 4096});
        SessionRequest read = modbusRead(2);
        QByteArray reply = modbusReply(2, QByteArray::fromHex("FF060001"));
        reply[4] = char(reply[4] ^ 0x20);
        QElapsedTimer clock;
        clock.start();
        const SessionOutcome o = rig.run(read, [&] { rig.pty.write(reply); });
        QCOMPARE(int(o.kind), int(SessionOutcome::Kind::Unreadable));
        QCOMPARE(o.reply, reply);
        QVERIFY2(clock.elapsed() < 1500, qPrintable(QString::number(clock.elapsed())));
    }

    // After a request went unanswered, its answer may still come, and a MODBUS answer does
    // not say whose it is: the next request waits until the line has been quiet for a
    // whole time limit, counted again from every byte, and what came meanwhile is dropped.
    void anUnansweredRequestHoldsTheLineUntilItIsQuiet()
    {
        constexpr int kLimit = 500;
        Rig rig({10, 5, kLimit, 4096});
        const QByteArray late = modbusReply(2, QByteArray::fromHex("11112222"));
        const QByteArray own = modbusReply(2, QByteArray::fromHex("33334444"));
        SessionOutcome o = rig.run(modbusRead(2), [] {});
        QCOMPARE(int(o.kind), int(SessionOutcome::Kind::TimedOut));

        QElapsedTimer clock;
        clock.start();
        std::optional<SessionOutcome> outcome;
        rig.session->send(modbusRead(2), [&](const SessionOutcome& done) { outcome = done; });
        QTest::qWait(300);
        rig.pty.write(late); // the first request's answer, late
        const qint64 lateAt = clock.elapsed();
        QByteArray got;
        QVERIFY(QTest::qWaitFor([&] { return (got += rig.pty.readQuiet(5, 20)).size() >= 8; }, 5000));
        const qint64 sentAt = clock.elapsed();
        QCOMPARE(got, modbusRead(2).frame);
        QVERIFY2(sentAt - lateAt >= kLimit - 20, qPrintable(QStringLiteral("%1 after the late answer").arg(sentAt - lateAt)));
        rig.pty.write(own);
        QVERIFY(QTest::qWaitFor([&] { return outcome.has_value(); }, 5000));
        QCOMPARE(int(outcome->kind), int(SessionOutcome::Kind::Decoded));
        QCOMPARE(outcome->reply, own);

        // Once answered, the next request goes after the usual gap.
        clock.restart();
        o = rig.run(modbusRead(2), [&] { rig.pty.write(own); });
        QCOMPARE(int(o.kind), int(SessionOutcome::Kind::Decoded));
        QVERIFY2(clock.elapsed() < kLimit, qPrintable(QString::number(clock.elapsed())));
    }

    // HART answers name their instrument and command: after one instrument failed to
    // answer, a request to another goes after the usual gap; one to the same waits.
    void aHartRequestToAnotherInstrumentNeedsNoHold()
    {
        constexpr int kLimit = 700;
        Rig rig({10, 5, kLimit, 4096});
        auto identify = [](uint8_t address) {
            SessionRequest r;
            r.frame = HartCodec::shortFrame(5, HartCodec::kMasterBit, address, 0);
            r.missing = [](const QByteArray& t) { return HartReply::missing(t); };
            return r;
        };
        QCOMPARE(int(rig.run(identify(1), [] {}).kind), int(SessionOutcome::Kind::TimedOut));
        QElapsedTimer clock;
        clock.start();
        SessionOutcome o = rig.run(identify(2), [] {});
        QVERIFY2(clock.elapsed() < kLimit + 300, qPrintable(QString::number(clock.elapsed())));
        QCOMPARE(int(o.kind), int(SessionOutcome::Kind::TimedOut));
        clock.restart();
        rig.run(identify(2), [] {});
        QVERIFY2(clock.elapsed() >= 2 * kLimit - 20, qPrintable(QString::number(clock.elapsed())));
    }

    // A late answer to an earlier query, gathered before this query's own, gives none of
    // its keys to this one: here its stale working mode.
    void aLateQueryAnswerGivesNoValueToTheNext()
    {
        Rig rig;
        const QByteArray late = "QQQ#QQ0#FMW:0,00001#FMU:00001,00001,00001#MD:3#";
        const SessionOutcome o =
            rig.run(systemQuery(), [&] { rig.pty.write(late + kSystemReply); });
        QCOMPARE(int(o.kind), int(SessionOutcome::Kind::Decoded));
        QCOMPARE(o.reply, kSystemReply);
        QCOMPARE(o.decoded.updates, SystemCodec::decodeReply(kSystemReply).updates);
    }

    // A HART answer from another instrument (a late one from the address asked before) is
    // passed over: the request reads its own instrument's answer, or has none.
    void aLateHartAnswerFromAnotherInstrumentIsPassedOver()
    {
        Rig rig({10, 20, 600, 4096});
        SessionRequest identify1;
        identify1.frame = HartCodec::shortFrame(5, HartCodec::kMasterBit, 1, 0);
        identify1.missing = [](const QByteArray& t) { return HartReply::missing(t); };
        const QByteArray fromZero = hartFrame(0x80, QByteArray(12, 1));
        const QByteArray fromOne = hartFrame(0x81, QByteArray(12, 2));
        SessionOutcome o = rig.run(identify1, [&] { rig.pty.write(fromZero + fromOne); });
        QCOMPARE(int(o.kind), int(SessionOutcome::Kind::Decoded));
        QCOMPARE(HartReply::read(o.reply)->data(), QByteArray(12, 2));
        o = rig.run(identify1, [&] { rig.pty.write(fromZero); });
        QCOMPARE(int(o.kind), int(SessionOutcome::Kind::TimedOut));
    }

    // A MODBUS request to slave 2 starts 02 03, as a HART master frame without preambles
    // would: its reply, whatever bytes it holds, is still read whole.
    void aModbusReplyIsNotTakenForHart()
    {
        Rig rig;
        const QByteArray reply = modbusReply(2, QByteArray::fromHex("FF060001"));
        const SessionOutcome o = rig.run(modbusRead(2), [&] { rig.pty.write(reply); });
        QCOMPARE(int(o.kind), int(SessionOutcome::Kind::Decoded));
        QCOMPARE(o.reply, reply);
    }

    // The gap before a request counts from the last byte heard, a stray one between
    // requests included; by default it is 3.5 characters at the line's speed (4 ms at 9600
    // baud), which a half-duplex RS485 driver needs to turn around.
    void requestsAreSeparatedByTheQuietGap()
    {
        auto nextRequestAfter = [](Rig& rig, const QByteArray& heard) {
            rig.pty.write(heard);
            QElapsedTimer clock;
            clock.start();
            std::optional<SessionOutcome> outcome;
            rig.session->send(setRequest("QQS#MD:2#"), [&](const SessionOutcome& o) { outcome = o; });
            QByteArray got;
            (void)QTest::qWaitFor([&] { return !(got += rig.pty.readQuiet(1, 50)).isEmpty(); }); // compared next
            const qint64 after = clock.elapsed();
            if (got != "QQS#MD:2#") QTest::qFail("the request did not arrive", __FILE__, __LINE__);
            rig.pty.write("QQS#MD:OK#");
            (void)QTest::qWaitFor([&] { return outcome.has_value(); });
            return after;
        };
        Rig slow({10, 200, 3000, 4096});
        slow.run(setRequest("QQS#MD:1#"), [&] { slow.pty.write("QQS#MD:OK#"); });
        QTest::qWait(100);
        const qint64 afterStray = nextRequestAfter(slow, "x");
        QVERIFY2(afterStray >= 190, qPrintable(QString::number(afterStray)));

        Rig line; // 9600 baud
        line.run(setRequest("QQS#MD:1#"), [&] { line.pty.write("QQS#MD:OK#"); });
        const qint64 afterStrayAtLineSpeed = nextRequestAfter(line, "x");
        QVERIFY2(afterStrayAtLineSpeed >= 4, qPrintable(QString::number(afterStrayAtLineSpeed)));
    }

    void aLostPortEndsTheRequest()
    {
        Rig rig;
        const SessionOutcome o = rig.run(systemQuery(), [&] { rig.pty.closeMaster(); });
        QCOMPARE(int(o.kind), int(SessionOutcome::Kind::PortLost));
        QVERIFY(rig.session->portLost());
    }

    // The lease: the owner's notifications and read interval come back with the port, open
    // at the speed the session left it.
    void thePortComesBackAsItWasLent()
    {
        PtyPair pty;
        TComm comm;
        comm.SetCommName(QString::fromStdString(pty.slavePath()));
        QByteArray ownerGot;
        comm.OnReceiveData = [&](TComm*, const uint8_t* data, uint16_t size) {
            ownerGot.append(reinterpret_cast<const char*>(data), size);
        };
        comm.OpenPort();
        NoView view;
        {
            ConverterSession session(comm, view);
            QCOMPARE(comm.ReadIntervalTimeout(), 4u); // 3.5 characters at 9600 baud, 8N1
            QSignalSpy arrived(&session, &PortTraffic::chunkArrived);
            pty.write("during");
            QTRY_COMPARE(arrived.size(), 1);
            QCOMPARE(session.reopen(19200, TParity::Even), QString());
        }
        QVERIFY(ownerGot.isEmpty());
        QCOMPARE(comm.ReadIntervalTimeout(), 100u);
        QVERIFY(comm.IsOpen());
        QCOMPARE(comm.BaudRate(), 19200u);
        QCOMPARE(int(comm.Parity()), int(TParity::Even));
        pty.write("after");
        QTRY_COMPARE(ownerGot, QByteArray("after"));
        comm.ClosePort();
    }
};

QTEST_GUILESS_MAIN(TestSession)
#include "test_session.moc"
