// Benchmarks of the serial link and the exchange, each printed beside its floor or peer.
// Run by scripts/bench.sh; it is no test and gates nothing.
#include "bench/LiveBench.h"
#include "bench/Measure.h"
#include "bench/Soak.h"
#include "exchange/Exchange.h"
#include "exchange/Messages.h"
#include "serial/Comm.h"
#include "ui/TForm1.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QFile>
#include <QLineEdit>
#include <QComboBox>
#include <QProcess>
#include <QPushButton>
#include <QSerialPort>
#include <QTemporaryDir>
#include <QTimer>
#include <atomic>
#include <memory>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <poll.h>
#include <pty.h>
#include <termios.h>
#include <thread>
#include <unistd.h>

namespace {

constexpr int kInterval = 100; // the component's read interval, ms

struct Pty {
    int master = -1, slave = -1;
    QString path;
    Pty()
    {
        char name[256];
        openpty(&master, &slave, name, nullptr, nullptr);
        termios t{};
        tcgetattr(slave, &t);
        cfmakeraw(&t);
        tcsetattr(slave, TCSANOW, &t);
        path = name;
    }
    ~Pty()
    {
        ::close(master);
        ::close(slave);
    }
    void write(const char* data, size_t size) const
    {
        while (size) {
            const ssize_t n = ::write(master, data, size);
            if (n > 0) {
                data += n;
                size -= size_t(n);
            } else {
                pollfd p{master, POLLOUT, 0};
                ::poll(&p, 1, 100);
            }
        }
    }
};

class Silent : public MessageSink {
    void inform(const QString&) override {}
    void error(const QString&, const QString&) override {}
};

void chunkDelivery(int chunks)
{
    Pty pty;
    std::vector<double> ours, peer;
    {
        TComm comm;
        comm.SetCommName(pty.path);
        comm.SetOutx_XonXoffFlow(false);
        comm.SetInx_XonXoffFlow(false);
        BenchClock::time_point arrived;
        bool got = false;
        comm.OnReceiveData = [&](TComm*, const uint8_t*, uint16_t) {
            arrived = BenchClock::now();
            got = true;
        };
        comm.OpenPort();
        for (int i = 0; i < chunks; ++i) {
            got = false;
            const auto sent = BenchClock::now();
            pty.write("0123456789", 10);
            waitUntil([&] { return got; });
            ours.push_back(std::chrono::duration<double, std::milli>(arrived - sent).count() - kInterval);
        }
    }
    {
        QSerialPort port(pty.path);
        port.open(QIODevice::ReadWrite);
        BenchClock::time_point arrived;
        bool got = false;
        QObject::connect(&port, &QSerialPort::readyRead, [&] {
            arrived = BenchClock::now();
            port.readAll();
            got = true;
        });
        for (int i = 0; i < chunks; ++i) {
            got = false;
            const auto sent = BenchClock::now();
            pty.write("0123456789", 10);
            waitUntil([&] { return got; });
            peer.push_back(std::chrono::duration<double, std::milli>(arrived - sent).count());
            pause(2); // let the line settle between chunks
        }
    }
    const Spread o = spread(ours), p = spread(peer);
    printRow("chunk delivery beyond the 100 ms interval, median", ms(o.median), ms(p.median),
             "+" + ms(o.median - p.median), "within 2 ms of the peer");
    printRow("chunk delivery beyond the 100 ms interval, p99", ms(o.p99), ms(p.p99),
             "+" + ms(o.p99 - p.p99), "within 2 ms of the peer");
}

// Streams `bytes` through the pair while `reader` consumes them; returns CPU s per MB.
double streamCost(const Pty& pty, qint64 bytes, const std::function<bool()>& allArrived)
{
    const double cpu = processCpu();
    std::thread writer([&] {
        std::vector<char> block(65536);
        for (qint64 sent = 0; sent < bytes; sent += qint64(block.size())) {
            for (size_t i = 0; i < block.size(); ++i) block[i] = char((sent + qint64(i)) % 251);
            pty.write(block.data(), size_t(std::min<qint64>(qint64(block.size()), bytes - sent)));
        }
    });
    waitUntil(allArrived, 120000);
    writer.join();
    return (processCpu() - cpu) / (double(bytes) / 1e6);
}

void throughput(qint64 bytes)
{
    Pty pty;
    qint64 oursGot = 0, peerGot = 0;
    bool inOrder = true;
    int biggest = 0;
    double oursCost = 0, peerCost = 0;
    {
        TComm comm;
        comm.SetCommName(pty.path);
        comm.SetOutx_XonXoffFlow(false);
        comm.SetInx_XonXoffFlow(false);
        comm.OnReceiveData = [&](TComm*, const uint8_t* data, uint16_t size) {
            for (uint16_t i = 0; i < size; ++i)
                inOrder &= data[i] == uint8_t((oursGot + i) % 251);
            oursGot += size;
            biggest = std::max<int>(biggest, size);
        };
        comm.OpenPort();
        oursCost = streamCost(pty, bytes, [&] { return oursGot >= bytes; });
    }
    {
        QSerialPort port(pty.path);
        port.open(QIODevice::ReadWrite);
        QObject::connect(&port, &QSerialPort::readyRead, [&] {
            const QByteArray data = port.readAll();
            for (qsizetype i = 0; i < data.size(); ++i)
                inOrder &= uint8_t(data[i]) == uint8_t((peerGot + i) % 251);
            peerGot += data.size();
        });
        peerCost = streamCost(pty, bytes, [&] { return peerGot >= bytes; });
    }
    printRow(QString("stream of %1 MB: CPU per MB").arg(bytes / 1000000),
             QString::number(oursCost * 1000, 'f', 2) + " ms",
             QString::number(peerCost * 1000, 'f', 2) + " ms",
             QString::number(oursCost / peerCost, 'f', 2) + "x",
             QString("at most 1x; in order: %1, largest chunk %2").arg(inOrder ? "yes" : "NO").arg(biggest));
}

void idle(int seconds)
{
    Pty pty;
    TComm comm;
    comm.SetCommName(pty.path);
    comm.OpenPort();
    pause(200);
    const double cpu = processCpu();
    const long wakeups = workerWakeups();
    pause(seconds * 1000);
    const double share = (processCpu() - cpu) / seconds * 100.0;
    printRow(QString("idle open port, %1 s: CPU").arg(seconds),
             QString::number(share, 'f', 3) + " %", "0 % (floor)", "-",
             QString("under 0.1 %; worker thread wake-ups: %1").arg(workerWakeups() - wakeups));
}

// The stand-in's own answer time to a request, measured on a raw descriptor.
double simAnswerMs(const QString& link, const char* request = "QQQ#QX#")
{
    const int fd = ::open(link.toLocal8Bit().constData(), O_RDWR | O_NOCTTY | O_NONBLOCK);
    termios t{};
    tcgetattr(fd, &t);
    cfmakeraw(&t);
    cfsetspeed(&t, B9600);
    tcsetattr(fd, TCSANOW, &t);
    std::vector<double> times;
    for (int i = 0; i < 10; ++i) {
        const auto sent = BenchClock::now();
        ::write(fd, request, std::strlen(request));
        pollfd p{fd, POLLIN, 0};
        ::poll(&p, 1, 2000);
        times.push_back(msSince(sent));
        char buf[512];
        ::usleep(50000);
        while (::read(fd, buf, sizeof buf) > 0) {
        }
    }
    ::close(fd);
    return spread(times).median;
}

// The stand-in on a pseudo-terminal, and the window with the port to it open.
struct WindowOnSim {
    QTemporaryDir dir;
    QString link = dir.filePath("sim");
    QProcess sim;
    Silent silent;
    std::unique_ptr<TForm1> window;

    WindowOnSim()
    {
        sim.start(VK_SIM_PATH, {"--link", link});
        waitUntil([&] { return QFile::exists(link); });
    }
    TForm1& open()
    {
        window = std::make_unique<TForm1>(&silent);
        window->findChild<QComboBox*>("SPREALCOM")->setEditText(link);
        window->findChild<QPushButton*>("Button1")->click();
        return *window;
    }
    ~WindowOnSim()
    {
        if (window) window->comm().ClosePort();
        sim.terminate();
        sim.waitForFinished();
    }
};

void exchange(int runs)
{
    WindowOnSim rig;
    const double answer = simAnswerMs(rig.link);
    TForm1& form = rig.open();
    auto* query = form.findChild<QPushButton*>("Button23");
    auto* target = form.findChild<QLineEdit*>("BBadr");
    std::vector<double> times;
    for (int i = 0; i < runs; ++i) {
        target->clear();
        pause(300);
        const auto clicked = BenchClock::now();
        query->click();
        waitUntil([&] { return !target->text().isEmpty(); });
        times.push_back(msSince(clicked));
    }
    const double floor = kInterval + 300 + 300 + answer;
    const Spread s = spread(times);
    printRow("\"System Parameters\" click to decoded page, median", ms(s.median),
             ms(floor) + " (floor: 700 ms of waits + stand-in answer " + ms(answer) + ")",
             "+" + ms(s.median - floor), "within 15 ms of the floor");
}

// A plain client's whole-converter read: the twelve queries on a raw descriptor, each
// waiting only until its reply has all the bytes the stand-in sends for it. The floor a
// batch read can approach.
double plainClientReadMs(const QString& link)
{
    const char* const queries[] = {"QQQ#QQ0#",    "QQQ#QQ1#",    "QQQ#QQ2#",    "QQQ#QQ3#",
                                   "QQQ#QQ4#",    "QQQ#RCAD01#", "QQQ#RCAD02#", "QQQ#RCAD03#",
                                   "QQQ#RCAD04#", "QQQ#RCAD05#", "QQQ#RCAD06#", "QQQ#QX#"};
    const int fd = ::open(link.toLocal8Bit().constData(), O_RDWR | O_NOCTTY | O_NONBLOCK);
    termios t{};
    tcgetattr(fd, &t);
    cfmakeraw(&t);
    cfsetspeed(&t, B9600);
    tcsetattr(fd, TCSANOW, &t);
    // Reads until `count` bytes came, or until the line has been quiet for `quietMs`.
    auto gather = [fd](size_t count, int quietMs) {
        QByteArray got;
        char buf[512];
        pollfd p{fd, POLLIN, 0};
        while (got.size() < qsizetype(count) && ::poll(&p, 1, quietMs) > 0) {
            const ssize_t n = ::read(fd, buf, sizeof buf);
            if (n > 0) got.append(buf, n);
        }
        return got;
    };
    std::vector<size_t> lengths; // learnt once, untimed
    for (const char* q : queries) {
        ::write(fd, q, std::strlen(q));
        lengths.push_back(size_t(gather(size_t(1) << 20, 300).size()));
    }
    const auto started = BenchClock::now();
    for (size_t i = 0; i < std::size(queries); ++i) {
        ::write(fd, queries[i], std::strlen(queries[i]));
        gather(lengths[i], 3000);
    }
    const double elapsed = msSince(started);
    ::close(fd);
    return elapsed;
}

// The command line's read and write of a whole converter, as processes against the
// stand-in, beside the plain client's read.
void converterRead(int runs)
{
    QTemporaryDir dir;
    const QString link = dir.filePath("sim");
    QProcess sim;
    sim.start(VK_SIM_PATH, {"--link", link});
    waitUntil([&] { return QFile::exists(link); });
    std::vector<double> floors;
    for (int i = 0; i < runs; ++i) floors.push_back(plainClientReadMs(link));
    const double floor = spread(floors).median;

    const QString file = dir.filePath("converter.json");
    auto timed = [&](const QString& command, std::vector<double>& times) {
        QProcess tool;
        tool.setProcessChannelMode(QProcess::ForwardedErrorChannel);
        const auto started = BenchClock::now();
        tool.start(VK_CONFIG_PATH, {"--port", link, command, file});
        tool.waitForFinished(120000);
        if (tool.exitStatus() == QProcess::NormalExit && tool.exitCode() == 0) times.push_back(msSince(started));
    };
    std::vector<double> reads, writes;
    for (int i = 0; i < runs; ++i) timed("read", reads);
    for (int i = 0; i < runs; ++i) timed("write", writes); // the profile just read, speeds as they are
    sim.terminate();
    sim.waitForFinished();

    auto row = [&](const char* what, const std::vector<double>& times, const QString& target) {
        if (times.empty()) return printRow(what, "failed", ms(floor), "-", target);
        const double median = spread(times).median;
        printRow(what, ms(median), ms(floor) + " (plain client, 12 queries)",
                 QString::number(median / floor, 'f', 2) + "x", target);
    };
    row("vk742b-config read, whole converter, median", reads, "at most 1.5x: " + ms(1.5 * floor));
    row("vk742b-config write, whole converter, median", writes,
        "none: 39 set requests and a link check, beside the read's floor");
}

// The window under a stream of replies: 10 chunks a second, each decoded again under the
// system query's code; the worst gap between 20 ms ticks of the event loop.
void responsiveness(int seconds)
{
    Pty pty;
    Silent silent;
    TForm1 form(&silent);
    form.findChild<QComboBox*>("SPREALCOM")->setEditText(pty.path);
    form.findChild<QPushButton*>("Button1")->click();
    form.findChild<QPushButton*>("Button23")->click();
    QElapsedTimer clock;
    clock.start();
    qint64 last = 0, worst = 0;
    int sent = 0;
    QTimer tick, feed;
    QObject::connect(&tick, &QTimer::timeout, [&] {
        worst = std::max(worst, clock.elapsed() - last);
        last = clock.elapsed();
    });
    QObject::connect(&feed, &QTimer::timeout, [&] {
        const QByteArray reply = "QQQ#QX:BA1:30#MD:1#ADR:00" + QByteArray::number(++sent % 10) + "#";
        pty.write(reply.constData(), size_t(reply.size()));
    });
    tick.start(20);
    feed.start(100);
    pause(seconds * 1000);
    printRow(QString("event loop while %1 chunks stream in over %2 s: worst gap").arg(sent).arg(seconds),
             QString::number(worst) + " ms", "20 ms (tick)", "+" + QString::number(worst - 20) + " ms",
             "window stays responsive");
}

void startup(int runs)
{
    auto probe = [&](const QString& binary, std::vector<double>& times, long& rss) {
        for (int i = 0; i < runs; ++i) {
            QProcess p;
            QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
            env.insert("QT_QPA_PLATFORM", "offscreen");
            p.setProcessEnvironment(env);
            p.setProcessChannelMode(QProcess::ForwardedErrorChannel); // only the probe's line
            const auto started = BenchClock::now();
            p.start(binary);
            while (!p.canReadLine() && p.waitForReadyRead(10000)) {
            }
            times.push_back(msSince(started));
            rss = std::max(rss, p.readLine().trimmed().toLong());
            p.waitForFinished();
        }
    };
    std::vector<double> tool, minimal;
    long toolRss = 0, minimalRss = 0;
    probe(VK_PROBE_TOOL, tool, toolRss);
    probe(VK_PROBE_MINIMAL, minimal, minimalRss);
    const double t = spread(tool).median, m = spread(minimal).median;
    printRow("start to first shown window (offscreen), median", ms(t), ms(m) + " (window of one QLabel)",
             QString::number(t / m, 'f', 2) + "x", "at most 1.5x");
    printRow("peak resident memory", QString::number(toolRss / 1024.0, 'f', 1) + " MB",
             QString::number(minimalRss / 1024.0, 'f', 1) + " MB",
             "+" + QString::number((toolRss - minimalRss) / 1024.0, 'f', 1) + " MB", "at most +25 MB");
}

} // namespace

int main(int argc, char* argv[])
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    QStringList args = app.arguments().mid(1);
    const bool quick = args.removeAll("--quick") > 0;
    // Any other arguments name the sections to run; none runs them all.
    const std::pair<const char*, std::function<void()>> sections[] = {
        {"delivery", [&] { chunkDelivery(quick ? 20 : 200); }},
        {"throughput", [&] { throughput(quick ? 2000000 : 20000000); }},
        {"idle", [&] { idle(quick ? 3 : 30); }},
        {"exchange", [&] { exchange(quick ? 3 : 10); }},
        {"converter", [&] { converterRead(quick ? 1 : 3); }},
        {"startup", [&] { startup(quick ? 3 : 7); }},
        {"stream", [&] { responsiveness(quick ? 5 : 60); }},
        {"soak", [&] { soak(quick ? 500 : 10000); }},
        {"faults", [&] { faults(quick ? 4 : 10); }},
        {"live", [&] {
             livePeriod(quick ? 10 : 100);
             liveChartRedraw(quick ? 10 : 50);
             liveMemory();
         }},
    };
    std::printf("| figure | ours | floor or peer (QSerialPort) | difference | target |\n");
    std::printf("|---|---|---|---|---|\n");
    for (const auto& [name, run] : sections)
        if (args.isEmpty() || args.contains(name)) run();
    return 0;
}
