#include "bench/LiveBench.h"

#include "bench/Measure.h"
#include "exchange/ExchangeView.h"
#include "live/LiveHistory.h"
#include "live/LiveSampler.h"
#include "live/LiveSetup.h"
#include "serial/Comm.h"
#include "session/ConverterSession.h"
#include "tools/ModbusTest.h"
#include "ui/live/LiveChart.h"

#include <QFile>
#include <QLineSeries>
#include <QProcess>
#include <QTemporaryDir>
#include <cmath>
#include <fcntl.h>
#include <poll.h>
#include <termios.h>
#include <unistd.h>

namespace {

// A plain client on a raw descriptor: writes `request`, reads until `replyBytes` came.
double roundTripMs(int fd, const QByteArray& request, int replyBytes)
{
    const auto started = BenchClock::now();
    [[maybe_unused]] const ssize_t w = ::write(fd, request.constData(), size_t(request.size()));
    int got = 0;
    char buf[256];
    while (got < replyBytes) {
        pollfd p{fd, POLLIN, 0};
        if (::poll(&p, 1, 3000) <= 0) break;
        const ssize_t n = ::read(fd, buf, sizeof buf);
        if (n > 0) got += int(n);
    }
    return msSince(started);
}

int openRaw(const QString& path)
{
    const int fd = ::open(QFile::encodeName(path).constData(), O_RDWR | O_NOCTTY);
    termios t{};
    tcgetattr(fd, &t);
    cfmakeraw(&t);
    cfsetspeed(&t, B9600);
    tcsetattr(fd, TCSANOW, &t);
    return fd;
}

} // namespace

void livePeriod(int cycles)
{
    QTemporaryDir dir;
    const QString link = dir.filePath("sim");
    QProcess sim;
    sim.start(VK_SIM_PATH, {"--link", link});
    waitUntil([&] { return QFile::exists(link); });

    // Working mode 1, then the stand-in's answer time for one slot's read, by a plain client.
    std::vector<double> answers;
    {
        const int fd = openRaw(link);
        roundTripMs(fd, "QQS#MD:1#", 10);
        for (int i = 0; i < 20; ++i) answers.push_back(roundTripMs(fd, modbusReadRequest(1, 10 * (i % 5), 10).bytes, 25));
        ::close(fd);
    }
    const double answer = spread(answers).median;

    std::vector<double> periods;
    {
        TComm comm;
        comm.SetCommName(link);
        comm.SetOutx_XonXoffFlow(false);
        comm.SetInx_XonXoffFlow(false);
        comm.OpenPort();
        NoView view;
        LiveSetup setup;
        for (int n = 0; n < 5; ++n) setup.deviceSlots.emplace_back(n, RegisterFormat::SlotFormats{});
        setup.intervalMs = 0;
        ConverterSession session(comm, view, setup.sessionOptions(comm.BaudRate()));
        LiveSampler sampler(session, setup.sources());
        sampler.setInterval(0);
        sampler.setCount(cycles + 1);
        bool done = false;
        QObject::connect(&sampler, &LiveSampler::rowReady, [&] {
            if (sampler.cycles() > 1) periods.push_back(double(sampler.periodMs()));
        });
        QObject::connect(&sampler, &LiveSampler::finished, [&] { done = true; });
        sampler.start();
        waitUntil([&] { return done; }, 600000);
    }
    sim.terminate();
    sim.waitForFinished();

    // Per slot: an 8-byte request and a 25-byte reply, 10 bits a byte at 9600 baud.
    const double line = 5 * (8 + 25) * 10.0 / 9600 * 1000;
    const double floor = line + 5 * answer;
    const double ours = spread(periods).median;
    printRow("live period, 5 slots at interval 0, median of " + QString::number(periods.size()), ms(ours),
             ms(floor) + QString(" (floor: line %1 + 5 x stand-in answer %2)").arg(ms(line), ms(answer)),
             QString::number(ours / floor, 'f', 2) + "x; +" + ms(ours - 5 * answer) + " beside the answers alone",
             "none: the pseudo-terminal carries bytes without line time");
}

namespace {

// 24 h at 1 s of `columns` values, a slow wave with a little noise each.
void fillDay(LiveHistory& history, int columns)
{
    history.reset(columns);
    const qint64 start = 1'765'000'000'000;
    std::vector<LiveCell> cells(static_cast<size_t>(columns));
    for (int i = 0; i < LiveHistory::kDefaultCapacity; ++i) {
        for (int c = 0; c < columns; ++c)
            cells[size_t(c)].number = 10 * c + std::sin(i / (600.0 + 60 * c)) + 0.01 * ((i * 7919 + c) % 13);
        history.append(start + 1000LL * i, cells);
    }
}

} // namespace

void liveChartRedraw(int redraws)
{
    LiveHistory history;
    fillDay(history, 10);
    LiveChart chart(history);
    chart.resize(1000, 600);
    chart.show();
    waitUntil([] { return false; }, 100);
    std::vector<LiveChart::Plotted> plotted;
    for (int c = 0; c < 10; ++c) plotted.push_back({c, QString("value %1").arg(c)});
    chart.setPlotted(plotted);
    chart.setSpanMs(0);
    std::vector<double> times;
    for (int i = 0; i < redraws; ++i) {
        const auto started = BenchClock::now();
        chart.refresh();
        chart.viewport()->repaint();
        times.push_back(msSince(started));
    }
    int handed = 0;
    for (QLineSeries* s : chart.lines()) handed += int(s->count());

    // The peer: every point handed over, as the chart would get it undecimated.
    std::vector<double> whole;
    {
        QList<QPointF> all;
        for (int i = 0; i < history.size(); ++i) all.append(QPointF(double(history.timeAt(i)), history.valueAt(0, i)));
        for (QLineSeries* s : chart.lines()) s->replace(all);
        for (int i = 0; i < 3; ++i) {
            const auto started = BenchClock::now();
            chart.viewport()->repaint();
            whole.push_back(msSince(started));
        }
    }
    const Spread o = spread(times);
    printRow(QString("chart redraw, 10 series x 86,400 points, median (p99 %1)").arg(ms(o.p99)), ms(o.median),
             ms(spread(whole).median) + " (every point handed over)",
             QString::number(handed) + " points drawn", "under 16 ms");
}

void liveMemory()
{
    // Five slots and three instruments: 25 + 18 values a cycle.
    const int columns = 5 * 5 + 3 * 6;
    const long before = residentKb();
    LiveHistory history;
    fillDay(history, columns);
    const long after = residentKb();
    printRow(QString("memory after 24 h at 1 s, %1 values a cycle").arg(columns),
             QString::number(double(after - before) / 1024, 'f', 1) + " MB resident",
             QString::number(double(history.memoryBytes()) / 1048576, 'f', 1) + " MB (8-byte time + 4-byte value each)",
             "-", "bounded: the oldest cycle goes at 86,400");
}
