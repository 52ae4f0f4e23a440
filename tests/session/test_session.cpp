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

    // A set whose answer came late: that answer, arriving during the next set, does not
    // acknowledge it, nor refuse it: alone, it leaves the next set unanswered.
    void aLateAnswerIsNotTheNextRequestsAcknowledgement()
    {
        Rig rig({10, 20, 600, 4096});
        SessionOutcome o = rig.run(setRequest("QQS#ADR:017#"), [] {});
        QCOMPARE(int(o.kind), int(SessionOutcome::Kind::TimedOut));
        o = rig.run(setRequest("QQS#MD:1#"), [&] { rig.pty.write("QQS#ADR:OK#"); });
        QCOMPARE(int(o.kind), int(SessionOutcome::Kind::TimedOut));
        QVERIFY(o.reply.isEmpty());
        o = rig.run(setRequest("QQS#MD:1#"), [&] { rig.pty.write("QQS#ADR:OK#QQS#MD:OK#"); });
        QCOMPARE(int(o.kind), int(SessionOutcome::Kind::Acknowledged));
        QCOMPARE(o.reply, QByteArray("QQS#MD:OK#"));
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
        SessionRequest read;
        read.frame = modbusReadRequest(2, 0, 2).bytes;
        read.missing = [](const QByteArray& t) { return ModbusReply::missing(t, 2); };
        QByteArray reply = QByteArray::fromHex("020304FF060001");
        const Crc16Bytes crc = crc16Modbus(reinterpret_cast<const uint8_t*>(reply.constData()), size_t(reply.size()));
        reply += char(crc.low);
        reply += char(crc.high);
        const SessionOutcome o = rig.run(read, [&] { rig.pty.write(reply); });
        QCOMPARE(int(o.kind), int(SessionOutcome::Kind::Decoded));
        QCOMPARE(o.reply, reply);
    }

    void requestsAreSeparatedByTheQuietGap()
    {
        Rig rig({10, 200, 3000, 4096});
        rig.run(setRequest("QQS#MD:1#"), [&] { rig.pty.write("QQS#MD:OK#"); });
        QElapsedTimer clock;
        clock.start();
        std::optional<SessionOutcome> outcome;
        rig.session->send(setRequest("QQS#MD:2#"), [&](const SessionOutcome& o) { outcome = o; });
        QByteArray got;
        (void)QTest::qWaitFor([&] { return !(got += rig.pty.readQuiet(5, 50)).isEmpty(); }); // compared next
        QCOMPARE(got, QByteArray("QQS#MD:2#"));
        QVERIFY2(clock.elapsed() >= 190, qPrintable(QString::number(clock.elapsed())));
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
            QCOMPARE(comm.ReadIntervalTimeout(), 10u);
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
