// The scan of HART polling addresses on a converter session: against the stand-in it finds
// exactly the instruments there are; Cancel ends it within one wait and leaves the port
// usable; a late, cut or garbled answer is told apart from an instrument.
#include "pages/hart/HartCodec.h"
#include "pages/hart/HartReply.h"
#include "serial/Comm.h"
#include "session/ConverterSession.h"
#include "session/HartScan.h"
#include "tests/support/BinaryPort.h"
#include "tests/support/Bytes.h"
#include "tests/support/PtyPair.h"
#include "tests/support/StandIn.h"
#include "tests/support/WorkingMode.h"

#include <QElapsedTimer>
#include <QtTest>
#include <optional>

namespace {

// A port on `path`, a session with the given wait, and a scan on it.
struct Scan {
    TComm comm;
    NoView view;
    std::unique_ptr<ConverterSession> session;
    std::unique_ptr<HartScan> scan;
    std::optional<HartScan::End> end;
    QList<int> asked;

    Scan(const QString& path, int waitMs, int last)
    {
        openBinary(comm, path);
        ConverterSession::Options limits;
        limits.limitMs = waitMs;
        session = std::make_unique<ConverterSession>(comm, view, limits);
        HartScan::Options options;
        options.last = last;
        scan = std::make_unique<HartScan>(*session, options);
        QObject::connect(scan.get(), &HartScan::progress, [this](int address, int) { asked << address; });
        QObject::connect(scan.get(), &HartScan::finished, [this](HartScan::End e) { end = e; });
    }
    bool finish(int ms = 30000)
    {
        return QTest::qWaitFor([&] { return end.has_value(); }, ms);
    }
    QList<int> addresses() const
    {
        QList<int> found;
        for (const auto& f : scan->found()) found << f.pollAddress;
        return found;
    }
};

QByteArray reply(uint8_t address, uint8_t command, const QByteArray& body)
{
    QByteArray frame = bytes({0x06, address, command, int(body.size())}) + body;
    uint8_t sum = 0;
    for (char c : frame) sum ^= uint8_t(c);
    return QByteArray(5, char(0xFF)) + frame + char(sum);
}

} // namespace

class TestHartScan : public QObject {
    Q_OBJECT

private slots:
    void findsExactlyTheInstrumentsThere()
    {
        StandIn sim({"--status", "5:81", "--status", "1:40"});
        Scan s(sim.link, 300, 15);
        s.scan->start();
        QVERIFY(s.finish());
        QCOMPARE(*s.end, HartScan::End::Completed);
        QCOMPARE(s.asked.size(), 16);
        QCOMPARE(s.addresses(), QList<int>({0, 1, 2, 5}));
        const struct {
            const char *id, *tag, *longTag;
            uint8_t status;
        } expected[] = {{"000001", "FT-101", nullptr, 0},
                        {"001234", "PT-201", "Feed pump discharge pressure", 0x40},
                        {"0ABCDE", "TT-301", nullptr, 0},
                        {"00A1B2", "LT-505", "Buffer tank level", 0x81}};
        QVERIFY(!s.scan->workingMode()); // instruments answered: nothing more was asked
        for (size_t i = 0; i < 4; ++i) {
            const HartScan::Found& f = s.scan->found()[i];
            QVERIFY2(f.problems.isEmpty(), qPrintable(f.problems.join("; ")));
            QVERIFY(f.identity);
            QCOMPARE(f.identity->idText(), QString(expected[i].id));
            QCOMPARE(f.tag, std::optional<QString>(expected[i].tag));
            QCOMPARE(f.longTag, expected[i].longTag ? std::optional<QString>(expected[i].longTag) : std::nullopt);
            QCOMPARE(f.status.second, expected[i].status);
        }
    }

    // A converter in a MODBUS mode passes no HART frame on: when nobody answered, the scan
    // learns the converter's mode from its system query.
    void aSilentScanAsksForTheWorkingMode()
    {
        StandIn sim;
        QVERIFY(setWorkingMode(sim.link, 2));
        Scan s(sim.link, 200, 1);
        s.scan->start();
        QVERIFY(s.finish());
        QCOMPARE(*s.end, HartScan::End::Completed);
        QVERIFY(s.scan->found().empty());
        QCOMPARE(s.scan->workingMode(), std::optional<int>(2));
        QCOMPARE(HartScan::notTransparent(2), QString("the converter is in MODBUS mode 2 (multi-slave), not transparent mode"));
        QCOMPARE(HartScan::notTransparent(0), QString());
    }

    // Polling addresses above 15 take six bits: an instrument moved to 40 is found there.
    void sixBitAddresses()
    {
        StandIn sim;
        {
            TComm comm;
            openBinary(comm, sim.link);
            NoView view;
            ConverterSession session(comm, view);
            SessionRequest move;
            move.frame = HartCodec::longFrame(5, HartCodec::kMasterBit, {0x11, 0x22, {0x00, 0x12, 0x34}}, 6,
                                              QByteArray(1, char(40)));
            move.missing = [](const QByteArray& r) { return HartReply::missing(r); };
            bool moved = false;
            session.send(move, [&](const SessionOutcome& o) { moved = o.ok(); });
            QTRY_VERIFY(moved);
        }
        Scan s(sim.link, 100, 63);
        s.scan->start();
        QVERIFY(s.finish(60000));
        QCOMPARE(s.asked.size(), 64);
        QCOMPARE(s.addresses(), QList<int>({0, 2, 5, 40}));
        QCOMPARE(s.scan->found()[3].identity->idText(), QString("001234"));
    }

    // Cancelled while a silent address is waited for: it ends when that wait does, with the
    // instruments found so far, and the port answers the next request at once.
    void cancelStopsWithinOneWait()
    {
        StandIn sim;
        Scan s(sim.link, 1000, 15);
        QElapsedTimer sinceCancel;
        QObject::connect(s.scan.get(), &HartScan::progress, [&](int address, int) {
            if (address == 3) {
                s.scan->cancel();
                sinceCancel.start();
            }
        });
        s.scan->start();
        QVERIFY(s.finish());
        QCOMPARE(*s.end, HartScan::End::Cancelled);
        QVERIFY2(sinceCancel.elapsed() < 1500, qPrintable(QString::number(sinceCancel.elapsed())));
        QCOMPARE(s.addresses(), QList<int>({0, 1, 2}));
        QCOMPARE(s.asked.last(), 3);
        QVERIFY(s.comm.IsOpen());
        std::optional<SessionOutcome> again;
        SessionRequest identify;
        identify.frame = HartScan::pollFrame({}, 2);
        identify.missing = [](const QByteArray& r) { return HartReply::missing(r); };
        s.session->send(identify, [&](const SessionOutcome& o) { again = o; });
        QTRY_VERIFY(again.has_value());
        QCOMPARE(again->kind, SessionOutcome::Kind::Decoded);
    }

    // Replies in two pieces are gathered; garbled ones are reported, not taken for identities.
    void piecesAndGarbledReplies()
    {
        {
            StandIn sim({"--split", "150"});
            Scan s(sim.link, 1000, 2);
            s.scan->start();
            QVERIFY(s.finish());
            QCOMPARE(s.addresses(), QList<int>({0, 1, 2}));
            QCOMPARE(s.scan->found()[1].longTag, std::optional<QString>("Feed pump discharge pressure"));
        }
        StandIn sim({"--garble"});
        Scan s(sim.link, 300, 5);
        s.scan->start();
        QVERIFY(s.finish());
        QCOMPARE(s.addresses(), QList<int>({0, 1, 2, 5}));
        for (const HartScan::Found& f : s.scan->found()) {
            QVERIFY(!f.identity);
            QCOMPARE(f.problems, QStringList{"no identity: the reply's checksum does not match"});
        }
    }

    // Played by hand: a reply cut short at the wait's end is reported; bytes that start no
    // reply (a late tail) are not taken for an instrument; a status-only reply is reported
    // with its status.
    void cutLateAndStatusOnlyReplies()
    {
        PtyPair pty;
        Scan s(QString::fromStdString(pty.slavePath()), 300, 2);
        s.scan->start();
        auto nextRequest = [&] {
            QByteArray got;
            (void)QTest::qWaitFor( // what came, if anything, is compared below
                [&] { return !(got += pty.readQuiet(10, 100)).isEmpty(); }, 3000);
            return got;
        };
        QCOMPARE(nextRequest().right(5), HartScan::pollFrame({}, 0).right(5));
        pty.write(reply(0x80, 0, bytes({0x00, 0x00, 0xFE, 0x26})).left(12)); // ends mid-data
        QCOMPARE(nextRequest().right(5), HartScan::pollFrame({}, 1).right(5));
        pty.write(hex("26 05 05 05 01")); // the rest of it, late
        QCOMPARE(nextRequest().right(5), HartScan::pollFrame({}, 2).right(5));
        pty.write(reply(0x82, 0, bytes({32, 0x00})));
        QVERIFY(s.finish());
        QCOMPARE(s.addresses(), QList<int>({0, 2}));
        QCOMPARE(s.scan->found()[0].problems, QStringList{"no identity: the reply was cut short"});
        QCOMPARE(s.scan->found()[1].problems, QStringList{"no identity: busy"});
        QCOMPARE(s.scan->found()[1].status.first, uint8_t(32));
    }
};

QTEST_GUILESS_MAIN(TestHartScan)
#include "test_hart_scan.moc"
