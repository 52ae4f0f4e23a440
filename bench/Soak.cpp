#include "bench/Soak.h"

#include "bench/Measure.h"
#include "exchange/Messages.h"
#include "pages/hart/HartCodec.h"
#include "pages/modbus/ModbusCodec.h"
#include "pages/system/SystemCodec.h"
#include "serial/Comm.h"
#include "tools/ModbusTest.h"
#include "ui/TForm1.h"

#include <QComboBox>
#include <QElapsedTimer>
#include <QPlainTextEdit>
#include <QProcess>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTimer>
#include <optional>

namespace {

// The stand-in as a child process, linked at a path of its own.
struct StandIn {
    QTemporaryDir dir;
    QProcess process;
    QString link = dir.filePath("sim");

    explicit StandIn(const QStringList& options = {}) { start(options); }
    ~StandIn()
    {
        process.terminate();
        process.waitForFinished(2000);
    }
    void start(const QStringList& options = {})
    {
        process.start(VK_SIM_PATH, QStringList{"--link", link} + options);
        waitUntil([&] { return process.bytesAvailable() > 0; }); // its first line follows the link
        process.readAll();
    }
    void kill()
    {
        process.kill();
        process.waitForFinished(2000);
    }
};

// One port to the stand-in: a request goes out, the answer is what arrives until the line
// has been quiet. The read interval is short so the soak measures the link, not the waits.
class Line {
public:
    explicit Line(const QString& link)
    {
        comm_.SetCommName(link);
        comm_.SetOutx_XonXoffFlow(false);
        comm_.SetInx_XonXoffFlow(false);
        comm_.SetReadIntervalTimeout(10);
        comm_.OnReceiveData = [this](TComm*, const uint8_t* data, uint16_t size) {
            got_.append(reinterpret_cast<const char*>(data), size);
            ++chunks_;
        };
        comm_.OpenPort();
    }
    // Empty when nothing arrived within limitMs.
    QByteArray ask(const QByteArray& request, int limitMs = 1000)
    {
        got_.clear();
        comm_.SendBytes(request.constData(), uint16_t(request.size()));
        if (!waitUntil([&] { return !got_.isEmpty(); }, limitMs)) return {};
        for (int seen = -1; seen != chunks_;) { // a reply cut in two keeps its second half
            seen = chunks_;
            pause(25);
        }
        return got_;
    }
    // Whatever arrives within limitMs without a request (a late answer).
    QByteArray late(int limitMs)
    {
        waitUntil([&] { return !got_.isEmpty(); }, limitMs);
        return got_;
    }

private:
    TComm comm_;
    QByteArray got_;
    int chunks_ = 0;
};

bool sameUpdates(const Decoded& a, const Decoded& b, bool compareTexts)
{
    if (a.error != b.error || a.updates.size() != b.updates.size()) return false;
    for (size_t i = 0; i < a.updates.size(); ++i) {
        const FieldUpdate &x = a.updates[i], &y = b.updates[i];
        if (x.control != y.control || x.kind != y.kind || x.index != y.index) return false;
        if (x.kind == FieldUpdate::Kind::Text && (compareTexts ? x.text != y.text : x.text.isEmpty()))
            return false;
    }
    return true;
}

// A step of the rotation: its request and whether an answer decodes as the first did.
struct Step {
    Line* line;
    QByteArray request;
    std::function<Decoded(const QByteArray&)> decode;
    bool compareTexts = true; // HART values move with time; their units and presence do not
};

Decoded modbusTestDecode(const QByteArray& reply)
{
    // Slave 1, function 3, 20 bytes, a good CRC: anything else is a wrong answer.
    const bool good = reply.size() == 25 && reply.startsWith("\x01\x03\x14") &&
                      withModbusCrc(reply.left(23)) == reply;
    return {{}, good ? std::nullopt : std::optional<QString>("bad frame")};
}

} // namespace

void soak(int exchanges)
{
    StandIn transparent, modbus; // working mode 0 answers HART, mode 1 the MODBUS test
    Line hartLine(transparent.link), modbusLine(modbus.link);
    modbusLine.ask(SystemCodec::workingModeRequest(1).bytes);
    const auto identity =
        HartCodec::decodeIdentity(hartLine.ask(HartCodec::shortFrame(5, HartCodec::kMasterBit, 0, 0)), 0)
            .identity;
    if (!identity) {
        std::printf("| soak | the stand-in's instrument did not answer command 0 | | | |\n");
        return;
    }
    std::vector<Step> steps;
    steps.push_back({&hartLine, "QQQ#QV#", [](const QByteArray& r) {
                         return Decoded{{}, r == "QQQ#QV:VK742-B V6.0#" ? std::nullopt
                                                                         : std::optional<QString>(r)};
                     }});
    steps.push_back({&hartLine, SystemCodec::queryRequest(), SystemCodec::decodeReply});
    steps.push_back({&hartLine, ModbusCodec::queryRequest(0).bytes,
                     [](const QByteArray& r) { return ModbusCodec::decodeReply(r, 0, 0); }});
    steps.push_back({&hartLine, HartCodec::longFrame(5, HartCodec::kMasterBit, *identity, 3),
                     [](const QByteArray& r) { return HartCodec::decodeVariables(r); }, false});
    steps.push_back({&modbusLine, modbusReadRequest(1, 0, 10).bytes, modbusTestDecode});

    std::vector<std::optional<Decoded>> references(steps.size()); // each step's first decode
    int lost = 0, wrong = 0, falseTimeouts = 0;
    long rssStart = 0;
    QElapsedTimer clock;
    clock.start();
    for (int i = 0; i < exchanges; ++i) {
        if (i == 100) rssStart = residentKb(); // after the first allocations have settled
        const Step& step = steps[size_t(i) % steps.size()];
        std::optional<Decoded>& reference = references[size_t(i) % steps.size()];
        const QByteArray reply = step.line->ask(step.request);
        if (reply.isEmpty()) {
            // Timed out: a false timeout if the answer still comes, else a lost reply.
            const bool late = !step.line->late(1000).isEmpty();
            ++(late ? falseTimeouts : lost);
            std::fprintf(stderr, "soak: exchange %d (step %zu) at %.1f s: %s\n", i,
                         size_t(i) % steps.size(), clock.elapsed() / 1000.0,
                         late ? "answer after the 1 s limit" : "no answer");
            continue;
        }
        const Decoded decoded = step.decode(reply);
        if (!reference) reference = decoded;
        if (decoded.error || !sameUpdates(decoded, *reference, step.compareTexts)) {
            ++wrong;
            std::fprintf(stderr, "soak: exchange %d (step %zu) at %.1f s: wrong answer %s\n", i,
                         size_t(i) % steps.size(), clock.elapsed() / 1000.0,
                         reply.toHex(' ').constData());
        }
    }
    const long rssEnd = residentKb();
    const double seconds = clock.elapsed() / 1000.0;
    printRow(QString("soak: %1 exchanges in rotation (link, system, MODBUS query, HART 3, MODBUS "
                     "test), %2 s: resident memory after 100 and at the end")
                 .arg(exchanges)
                 .arg(seconds, 0, 'f', 0),
             QString("%1 MB -> %2 MB").arg(rssStart / 1024.0, 0, 'f', 1).arg(rssEnd / 1024.0, 0, 'f', 1),
             "-", QString("%1%2 kB").arg(rssEnd >= rssStart ? "+" : "").arg(rssEnd - rssStart),
             "flat within 1 MB");
    printRow("soak: lost replies / wrong decodes / false timeouts",
             QString("%1 / %2 / %3").arg(lost).arg(wrong).arg(falseTimeouts), "-", "-", "all 0");
}

namespace {

// Counts the window's messages by kind.
class CountingMessages : public MessageSink {
public:
    void inform(const QString& text) override { (isTimeout(text) ? timeouts : others)++; }
    void error(const QString& text, const QString&) override
    {
        (text.contains("has gone away") ? portLost : others)++;
    }
    static bool isTimeout(const QString& text)
    {
        return text == "Connection timed out!" || text == "Parameter Query Timeout!";
    }
    int timeouts = 0, portLost = 0, others = 0;
};

struct FaultResult {
    int requests = 0, answered = 0, unanswered = 0, hung = 0;
    qint64 worstGapMs = 0;
    CountingMessages messages;
};

// Link checks and system queries through the window, one after another; each ends in an
// answer shown, a message, or (a hang) neither within 4 s. With killAt >= 0 the stand-in
// is killed right after that request goes out and started again once the window has
// closed the port; the port is then opened again.
void runFault(StandIn& sim, int requests, int killAt, FaultResult& out)
{
    TForm1 form(&out.messages);
    auto* memo = form.findChild<QPlainTextEdit*>("Memo10");
    auto open = [&] {
        form.findChild<QComboBox*>("SPREALCOM")->setEditText(sim.link);
        form.findChild<QPushButton*>("Button1")->click();
    };
    open();
    QElapsedTimer clock;
    clock.start();
    qint64 last = 0;
    QTimer tick;
    QObject::connect(&tick, &QTimer::timeout, [&] {
        out.worstGapMs = std::max(out.worstGapMs, clock.elapsed() - last);
        last = clock.elapsed();
    });
    tick.start(5);
    for (int i = 0; i < requests; ++i) {
        const int before = out.messages.timeouts + out.messages.portLost + out.messages.others;
        form.findChild<QPushButton*>(i % 2 ? "Button23" : "Button6")->click();
        ++out.requests;
        if (i == killAt) {
            sim.kill(); // waits for the process to end: the harness's pause, not the window's
            last = clock.elapsed();
        }
        const bool ended = waitUntil(
            [&] {
                return !memo->toPlainText().isEmpty() ||
                       out.messages.timeouts + out.messages.portLost + out.messages.others > before;
            },
            4000);
        if (!ended)
            ++out.hung;
        else if (memo->toPlainText().isEmpty())
            ++out.unanswered;
        else
            ++out.answered;
        pause(700); // the reply-parse and any second chunk, before the next request
        if (i == killAt) {
            sim.start();
            last = clock.elapsed(); // the restart itself is not the window's gap
            open();
        }
    }
    form.comm().ClosePort();
}

} // namespace

void faults(int requestsPerFault)
{
    const struct {
        const char* name;
        QStringList options;
        bool kill;
    } runs[] = {
        {"--split 150", {"--split", "150"}, false},
        {"--garble", {"--garble"}, false},
        {"--drop 3", {"--drop", "3"}, false},
        {"kill and restart", {}, true},
    };
    for (const auto& run : runs) {
        StandIn sim(run.options);
        FaultResult r;
        runFault(sim, requestsPerFault, run.kill ? requestsPerFault / 2 : -1, r);
        printRow(QString("faults, %1: %2 requests; answered / unanswered / hung").arg(run.name).arg(r.requests),
                 QString("%1 / %2 / %3").arg(r.answered).arg(r.unanswered).arg(r.hung),
                 QString("timeout messages %1, port-lost %2, other %3")
                     .arg(r.messages.timeouts)
                     .arg(r.messages.portLost)
                     .arg(r.messages.others),
                 QString("worst event-loop gap %1 ms").arg(r.worstGapMs),
                 "no hang; one timeout per unanswered request; gap under 50 ms");
    }
}
