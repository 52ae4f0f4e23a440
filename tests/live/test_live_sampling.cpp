// The sampling loop on a converter session, with the stand-in's HART loop and MODBUS slave
// answering at the far end of a pseudo-terminal: rows, missed cycles, statistics, the
// period, stopping, a lost port; then the CSV writer and the chart's history.
#include "live/CsvWriter.h"
#include "live/HartSource.h"
#include "live/LiveHistory.h"
#include "live/LiveSampler.h"
#include "live/ModbusSource.h"
#include "live/NumberText.h"
#include "serial/Comm.h"
#include "session/ConverterSession.h"
#include "sim/ModbusSlave.h"
#include "tests/support/PtyPair.h"
#include "tools/ModbusTest.h"

#include <QSignalSpy>
#include <QSocketNotifier>
#include <QTemporaryDir>
#include <QtTest>
#include <cmath>

namespace {

constexpr double kSeconds = 10; // the far end answers with its values at this time

// The stand-in's HART loop and MODBUS slave on the far end of the cable, both at once.
// `answer` may replace or drop (empty) a reply.
struct FarEnd {
    PtyPair pty;
    HartLoop loop;
    ConverterState state;
    int requests = 0;
    std::function<QByteArray(const QByteArray& reply)> answer = [](const QByteArray& reply) { return reply; };
    QSocketNotifier notifier{pty.master(), QSocketNotifier::Read};

    FarEnd()
    {
        QObject::connect(&notifier, &QSocketNotifier::activated, [this] {
            const QByteArray request = pty.readQuiet(5, 200);
            if (request.isEmpty()) return;
            ++requests;
            const QByteArray reply = answer(uint8_t(request[0]) == 0xFF ? loop.handle(request, kSeconds)
                                                                         : ModbusSlave::handle(request, state, loop, kSeconds));
            if (!reply.isEmpty()) pty.write(reply);
        });
    }
};

struct Rig {
    FarEnd far;
    TComm comm;
    NoView view;
    std::unique_ptr<ConverterSession> session;
    std::unique_ptr<LiveSampler> sampler;
    QList<LiveRow> rows;

    // Slot 0 and the instrument at polling address 1. Only a silent cycle waits for the
    // reply limit; elsewhere it is long, so that a loaded machine's late reply still counts.
    explicit Rig(int intervalMs = 0, int limitMs = 3000)
    {
        comm.SetCommName(QString::fromStdString(far.pty.slavePath()));
        // Binary frames: 11 and 13 are bytes, not flow control (as the window and command line open it).
        comm.SetOutx_XonXoffFlow(false);
        comm.SetInx_XonXoffFlow(false);
        comm.OpenPort();
        session = std::make_unique<ConverterSession>(comm, view, ConverterSession::Options{10, 5, limitMs, 4096});
        std::vector<std::unique_ptr<LiveSource>> sources;
        sources.push_back(std::make_unique<ModbusSource>(1, 0, RegisterFormat::SlotFormats{}));
        sources.push_back(std::make_unique<HartSource>(1));
        sampler = std::make_unique<LiveSampler>(*session, std::move(sources));
        sampler->setInterval(intervalMs);
        QObject::connect(sampler.get(), &LiveSampler::rowReady, [this](const LiveRow& row) { rows << row; });
    }
    // Runs until the sampler finishes; whether the port was lost.
    std::optional<bool> run(int count = 0, int limitMs = 20000)
    {
        QSignalSpy finished(sampler.get(), &LiveSampler::finished);
        sampler->setCount(count);
        sampler->start();
        if (!finished.wait(limitMs)) return std::nullopt;
        return finished[0][0].toBool();
    }
    const LiveStats& stats(int source) const { return sampler->sources()[size_t(source)]->stats; }
};

bool allEmpty(const LiveRow& row)
{
    return std::all_of(row.cells.begin(), row.cells.end(), [](const LiveCell& c) { return c.empty(); });
}

} // namespace

class TestLiveSampling : public QObject {
    Q_OBJECT

private slots:
    // A cycle the far end leaves unanswered has only empty cells, between full ones: the
    // previous values are never repeated. Each miss is counted once.
    void aSilentCycleLeavesItsCellsEmpty()
    {
        Rig rig(0, 1000);
        rig.far.answer = [&](const QByteArray& reply) { return rig.rows.size() == 1 ? QByteArray() : reply; };
        QCOMPARE(rig.run(3), std::optional<bool>(false));
        QCOMPARE(rig.rows.size(), 3);
        QCOMPARE(rig.rows[0].cells.size(), size_t(5 + 6));
        QVERIFY(allEmpty(rig.rows[1]));
        const HartInstrument& flow = rig.far.loop.instruments[0];
        for (const LiveRow& row : {rig.rows[0], rig.rows[2]}) {
            QVERIFY(row.cells[0].number && row.cells[6].number);
            QCOMPARE(*row.cells[0].number, double(HartLoop::loopCurrent(flow, kSeconds)));
            QCOMPARE(*row.cells[1].number, double(HartLoop::variables(flow, kSeconds)[0]));
            QCOMPARE(*row.cells[6].number, double(HartLoop::variables(rig.far.loop.instruments[1], kSeconds)[0]));
            QCOMPARE(row.cells[10].text, QString("success"));
        }
        QVERIFY(rig.rows[0].time < rig.rows[1].time && rig.rows[1].time < rig.rows[2].time);
        QCOMPARE(rig.rows[0].time.timeSpec(), Qt::UTC);
        // Slot 0: three requests, one timed out. The instrument: command 0 and 3, then 3 in
        // vain, then 0 and 3 again.
        QCOMPARE(rig.stats(0).requests, 3);
        QCOMPARE(rig.stats(0).answers, 2);
        QCOMPARE(rig.stats(0).timeouts, 1);
        QCOMPARE(rig.stats(1).requests, 5);
        QCOMPARE(rig.stats(1).answers, 4);
        QCOMPARE(rig.stats(1).timeouts, 1);
        QVERIFY(rig.stats(0).lastResponseMs >= 0 && rig.stats(0).lastResponseMs < 1000);
        QCOMPARE(rig.sampler->columns()[6].unit, QString("bar"));
    }

    void garbledRepliesAndExceptionsAreCountedApart()
    {
        Rig rig;
        rig.far.answer = [&](QByteArray reply) {
            if (rig.rows.size() == 0) reply[reply.size() - 1] = char(reply[reply.size() - 1] ^ 0x55);
            if (rig.rows.size() == 1 && uint8_t(reply[0]) != 0xFF) reply = withModbusCrc(QByteArray("\x01\x83\x04", 3));
            return reply;
        };
        QCOMPARE(rig.run(2), std::optional<bool>(false));
        QVERIFY(allEmpty(rig.rows[0]));
        QVERIFY(rig.rows[1].cells[0].empty() && rig.rows[1].cells[5].number);
        QCOMPARE(rig.stats(0).crcErrors, 1);
        QCOMPARE(rig.stats(0).exceptions, 1);
        QCOMPARE(rig.stats(0).answers, 1); // the exception is an answer
        QCOMPARE(rig.stats(1).crcErrors, 1);
        QCOMPARE(rig.sampler->sources()[0]->status(), QString("exception 04"));
    }

    // The real period is the longer of the interval and the cycle: each cycle starts an
    // interval after the one before, or as soon as that one ended.
    void thePeriodIsTheLongerOfIntervalAndCycle()
    {
        for (const bool slowReplies : {false, true}) {
            Rig rig(slowReplies ? 100 : 300);
            if (slowReplies)
                rig.far.answer = [](const QByteArray& reply) {
                    QThread::msleep(80);
                    return reply;
                };
            std::vector<std::pair<qint64, qint64>> timings; // period, cycle
            QObject::connect(rig.sampler.get(), &LiveSampler::rowReady,
                             [&] { timings.emplace_back(rig.sampler->periodMs(), rig.sampler->cycleMs()); });
            QVERIFY(rig.run(3));
            for (size_t k = 1; k < timings.size(); ++k) {
                const qint64 period = timings[k].first, previous = timings[k - 1].second;
                const qint64 expected = std::max<qint64>(rig.sampler->interval(), previous);
                QVERIFY2(period >= expected - 5 && period - expected <= 100,
                         qPrintable(QStringLiteral("period %1 after a cycle of %2").arg(period).arg(previous)));
                if (slowReplies) QVERIFY(previous >= 160); // two replies of 80 ms at least
            }
        }
    }

    // stop() lets the cycle under way end and report its row, the later sources' values
    // included.
    void stopEndsAfterTheCycleUnderWay()
    {
        Rig rig(60000);
        rig.far.answer = [&](const QByteArray& reply) {
            if (rig.far.requests == 1) rig.sampler->stop();
            return reply;
        };
        QCOMPARE(rig.run(), std::optional<bool>(false));
        QCOMPARE(rig.rows.size(), 1);
        QVERIFY(rig.rows[0].cells[0].number && rig.rows[0].cells[9].number);
        QVERIFY(!rig.sampler->running());
    }

    // Between cycles too: the run ends without waiting for the next one.
    void aLostPortEndsTheRun()
    {
        Rig rig(60000);
        QSignalSpy finished(rig.sampler.get(), &LiveSampler::finished);
        rig.sampler->start();
        QTRY_COMPARE(rig.rows.size(), 1);
        rig.far.notifier.setEnabled(false);
        rig.far.pty.closeMaster();
        QVERIFY(finished.wait(3000));
        QCOMPARE(finished[0][0].toBool(), true);
    }

    // Header with units where known, RFC 3339 UTC times with milliseconds, "." decimals,
    // empty cells; each row is in the file as soon as it is written.
    void csvRowsAreFlushedOneByOne()
    {
        QTemporaryDir dir;
        const QString path = dir.filePath("live.csv");
        CsvWriter csv;
        QCOMPARE(csv.open(path), QString());
        const std::vector<LiveColumn> columns{
            {"hart1.pv", "bar", false}, {"slot0.current", {}, false}, {"hart1.status", {}, true}, {"odd", "a,\"b\"", false}};
        LiveRow row{QDateTime(QDate(2026, 12, 9), QTime(11, 15, 2, 125), QTimeZone(3600)), {}};
        row.cells = {{double(0.1f), {}}, {}, {std::nullopt, "00 40"}, {1e-45, {}}};
        QVERIFY(csv.write(columns, row));
        auto contents = [&] {
            QFile f(path);
            f.open(QIODevice::ReadOnly);
            return f.readAll();
        };
        QCOMPARE(contents(), QByteArray("time,hart1.pv[bar],slot0.current,hart1.status,\"odd[a,\"\"b\"\"]\"\n"
                                        "2026-12-09T10:15:02.125Z,0.1,,00 40,1e-45\n"));
        row.cells = {{4294967295.0, {}}, {-12.5, {}}, {}, {16777217.0, {}}};
        QVERIFY(csv.write(columns, row));
        QVERIFY(contents().endsWith("\n2026-12-09T10:15:02.125Z,4294967295,-12.5,,16777217\n"));
        QCOMPARE(numberText(double(1234.5677f)), QString("1234.5677"));
        QCOMPARE(numberText(1.0 / 3.0), QString("0.3333333333333333"));
        QVERIFY(!csv.open(dir.filePath("missing/live.csv")).isEmpty());
    }

    // A unit each reply names has a column of its own: the header is the same whether or not
    // the first reply came, and each row carries the unit of its own value.
    void unitsNamedByRepliesHaveAColumnOfTheirOwn()
    {
        QTemporaryDir dir;
        const QString path = dir.filePath("units.csv");
        CsvWriter csv;
        QCOMPARE(csv.open(path), QString());
        std::vector<LiveColumn> columns{{"hart1.current", "mA", false, false}, {"hart1.pv", {}, false, true}};
        LiveRow row{QDateTime(QDate(2026, 12, 9), QTime(10, 0), QTimeZone(0)), {{}, {}}};
        QVERIFY(csv.write(columns, row)); // the first poll missed: no unit known yet
        columns[1].unit = "bar";
        row.cells = {{12.0, {}}, {1.5, {}}};
        QVERIFY(csv.write(columns, row));
        row.cells = {{12.0, {}}, {}};
        QVERIFY(csv.write(columns, row)); // a missed value has no unit beside it
        columns[1].unit = "kPa";
        row.cells = {{12.0, {}}, {150.0, {}}};
        QVERIFY(csv.write(columns, row));
        QFile f(path);
        QVERIFY(f.open(QIODevice::ReadOnly));
        QCOMPARE(f.readAll(), QByteArray("time,hart1.current[mA],hart1.pv,hart1.pv_unit\n"
                                         "2026-12-09T10:00:00.000Z,,,\n"
                                         "2026-12-09T10:00:00.000Z,12,1.5,bar\n"
                                         "2026-12-09T10:00:00.000Z,12,,\n"
                                         "2026-12-09T10:00:00.000Z,12,150,kPa\n"));
    }

    // The history keeps the newest cycles; the chart gets at most two points per pixel
    // column, the lowest and highest in the order they came, empty cells left out.
    void theHistoryKeepsTheNewestAndDecimatesByPixel()
    {
        LiveHistory h(1000);
        h.reset(2);
        for (int i = 0; i < 1500; ++i) {
            std::vector<LiveCell> cells(2);
            cells[0].number = i % 10 == 3 ? 100.0 : i % 10 == 7 ? -100.0 : double(i % 10);
            if (i % 2) cells[1].number = double(i);
            h.append(1000 + i, cells);
        }
        QCOMPARE(h.size(), 1000);
        QCOMPARE(h.timeAt(0), qint64(1500));
        QCOMPARE(h.timeAt(999), qint64(2499));
        QCOMPARE(h.firstAtOrAfter(2000), 500);

        // Ten cycles a pixel column: each holds a 100 (at 3) before a -100 (at 7).
        const QList<QPointF> points = h.decimated(0, 1500, 2499, 100);
        QCOMPARE(points.size(), 200);
        for (int p = 0; p < 100; ++p) {
            QCOMPARE(points[2 * p], QPointF(1500 + 10 * p + 3, 100));
            QCOMPARE(points[2 * p + 1], QPointF(1500 + 10 * p + 7, -100));
        }
        // Pixel columns that straddle the ring's wrap hold the same lowest and highest
        // values as a plain walk finds.
        for (int pixels : {7, 33}) {
            const QList<QPointF> got = h.decimated(0, 1500, 2499, pixels);
            QList<QPointF> expected;
            const double width = 1000.0 / pixels;
            for (int p = 0; p < pixels; ++p) {
                int low = -1, high = -1;
                for (int i = 0; i < h.size(); ++i) {
                    if (int((h.timeAt(i) - 1500) / width) != p) continue;
                    if (low < 0 || h.valueAt(0, i) < h.valueAt(0, low)) low = i;
                    if (high < 0 || h.valueAt(0, i) > h.valueAt(0, high)) high = i;
                }
                for (int i : {std::min(low, high), std::max(low, high)})
                    expected.append(QPointF(double(h.timeAt(i)), h.valueAt(0, i)));
            }
            QCOMPARE(got, expected);
        }
        // More pixels than points: every point, the empty ones left out.
        const QList<QPointF> odd = h.decimated(1, 2400, 2499, 1000);
        QCOMPARE(odd.size(), 50);
        QCOMPARE(odd.first(), QPointF(2401, 1401));
        QVERIFY(h.decimated(0, 3000, 4000, 10).isEmpty());
        QVERIFY(h.memoryBytes() >= 1000 * (8 + 2 * 4));
    }
};

QTEST_MAIN(TestLiveSampling)
#include "test_live_sampling.moc"
