#include "bench/Soak.h"

#include "bench/Measure.h"
#include "exchange/Messages.h"
#include "pages/hart/HartCodec.h"
#include "pages/modbus/ModbusCodec.h"
#include "pages/system/QueryReply.h"
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
#include <algorithm>
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

// What a step makes of what its line gathered since its request went out: its own whole
// answer, or nothing yet. An answer to another request (a late one to an earlier request)
// is no part of it, by the same rules as the window and the session.
using OwnAnswer = std::function<std::optional<QByteArray>(const QByteArray& gathered)>;

// One port to the stand-in. The read interval is short so the soak measures the link, not
// the waits.
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
        };
        comm_.OpenPort();
    }
    // Sends the request and waits up to limitMs for its own whole answer.
    std::optional<QByteArray> ask(const QByteArray& request, const OwnAnswer& own,
                                  int limitMs = 1000)
    {
        got_.clear();
        comm_.SendBytes(request.constData(), uint16_t(request.size()));
        return wait(own, limitMs);
    }
    // Goes on waiting for the same request's answer (one that comes after the limit).
    std::optional<QByteArray> wait(const OwnAnswer& own, int limitMs)
    {
        std::optional<QByteArray> answer;
        waitUntil([&] { return (answer = own(got_)).has_value(); }, limitMs);
        return answer;
    }
    // Everything that came since the request went out.
    const QByteArray& gathered() const { return got_; }

private:
    TComm comm_;
    QByteArray got_;
};

// A query's own answer: the part under its own key, once it holds all the decoder reads.
OwnAnswer textAnswer(const QByteArray& request,
                     std::function<QStringList(const QByteArray&)> missing)
{
    return [=](const QByteArray& gathered) -> std::optional<QByteArray> {
        const QByteArray own = QueryReply::ownReply(gathered, request);
        if (own.isEmpty() || !missing(own).isEmpty()) return std::nullopt;
        return own;
    };
}

// A HART request's answer: the first whole long- or short-frame answer from the instrument
// addressed, to the command sent (its byte count says where it ends).
OwnAnswer hartAnswer(const QByteArray& request, uint8_t delimiter)
{
    return [=](const QByteArray& gathered) -> std::optional<QByteArray> {
        const qsizetype countAt = delimiter == 0x86 ? 8 : 4;
        for (qsizetype from = 0;;) {
            const qsizetype i = HartCodec::findReply(gathered.mid(from), delimiter);
            if (i < 0) return std::nullopt;
            const QByteArray rest = gathered.mid(from + i);
            if (countAt >= rest.size()) return std::nullopt;
            const qsizetype size = countAt + 1 + uint8_t(rest[countAt]) + 1; // and the checksum
            if (rest.size() < size) return std::nullopt;
            if (HartCodec::answers(rest.left(size), request)) return rest.left(size);
            from += i + size;
        }
    };
}

// The MODBUS test's answer: slave 1, function 3, 20 bytes and the CRC.
std::optional<QByteArray> modbusTestAnswer(const QByteArray& gathered)
{
    const qsizetype at = gathered.indexOf("\x01\x03\x14");
    if (at < 0 || gathered.size() < at + 25) return std::nullopt;
    return gathered.mid(at, 25);
}

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

// Whether anything but the answer and HART preamble bytes was gathered.
bool besideAnswer(const QByteArray& gathered, const QByteArray& answer)
{
    const qsizetype at = gathered.indexOf(answer);
    if (at < 0) return true;
    const QByteArray rest = gathered.left(at) + gathered.mid(at + answer.size());
    return std::any_of(rest.begin(), rest.end(), [](char c) { return uint8_t(c) != 0xFF; });
}

// A step of the rotation: its request, how its answer is told from others, and whether
// that answer decodes as the first did.
struct Step {
    Line* line;
    QByteArray request;
    OwnAnswer own;
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
    const QByteArray modeRequest = SystemCodec::workingModeRequest(1).bytes;
    modbusLine.ask(modeRequest, [&](const QByteArray& g) -> std::optional<QByteArray> {
        const SystemCodec::SetReply r = SystemCodec::setReplyFor(g, modeRequest);
        return r.complete ? std::optional(r.text) : std::nullopt;
    });
    const QByteArray identityRequest = HartCodec::shortFrame(5, HartCodec::kMasterBit, 0, 0);
    const auto identityAnswer = hartLine.ask(identityRequest, hartAnswer(identityRequest, 0x06));
    const auto identity =
        HartCodec::decodeIdentity(identityAnswer.value_or(QByteArray()), 0).identity;
    if (!identity) {
        std::printf("| soak | the stand-in's instrument did not answer command 0 | | | |\n");
        return;
    }
    const QByteArray slotQuery = ModbusCodec::queryRequest(0).bytes;
    const QByteArray variablesRequest =
        HartCodec::longFrame(5, HartCodec::kMasterBit, *identity, 3);
    std::vector<Step> steps;
    steps.push_back({&hartLine, "QQQ#QV#", textAnswer("QQQ#QV#", SystemCodec::linkCheckMissing),
                     [](const QByteArray& r) {
                         return Decoded{{}, r == "QQQ#QV:VK742-B V6.0#" ? std::nullopt
                                                                         : std::optional<QString>(r)};
                     }});
    steps.push_back({&hartLine, SystemCodec::queryRequest(),
                     textAnswer(SystemCodec::queryRequest(), SystemCodec::missingKeys),
                     SystemCodec::decodeReply});
    steps.push_back({&hartLine, slotQuery,
                     textAnswer(slotQuery,
                                [](const QByteArray& t) { return ModbusCodec::missingKeys(t, 0, 0); }),
                     [](const QByteArray& r) { return ModbusCodec::decodeReply(r, 0, 0); }});
    steps.push_back({&hartLine, variablesRequest, hartAnswer(variablesRequest, 0x86),
                     [](const QByteArray& r) { return HartCodec::decodeVariables(r); }, false});
    steps.push_back(
        {&modbusLine, modbusReadRequest(1, 0, 10).bytes, modbusTestAnswer, modbusTestDecode});

    std::vector<std::optional<Decoded>> references(steps.size()); // each step's first decode
    int lost = 0, wrong = 0, falseTimeouts = 0, setAside = 0;
    long rssStart = 0;
    QElapsedTimer clock;
    clock.start();
    for (int i = 0; i < exchanges; ++i) {
        if (i == 100) rssStart = residentKb(); // after the first allocations have settled
        const Step& step = steps[size_t(i) % steps.size()];
        std::optional<Decoded>& reference = references[size_t(i) % steps.size()];
        const std::optional<QByteArray> reply = step.line->ask(step.request, step.own);
        if (!reply) {
            // Timed out: a false timeout if the answer still comes, else a lost reply.
            const bool late = step.line->wait(step.own, 1000).has_value();
            ++(late ? falseTimeouts : lost);
            std::fprintf(stderr, "soak: exchange %d (step %zu) at %.1f s: %s\n", i,
                         size_t(i) % steps.size(), clock.elapsed() / 1000.0,
                         late ? "answer after the 1 s limit" : "no answer");
            continue;
        }
        // Bytes beside the answer and its preamble: a late answer to an earlier request,
        // never decoded here.
        if (besideAnswer(step.line->gathered(), *reply)) {
            ++setAside;
            std::fprintf(stderr, "soak: exchange %d (step %zu) at %.1f s: set aside %s\n", i,
                         size_t(i) % steps.size(), clock.elapsed() / 1000.0,
                         step.line->gathered().toHex(' ').constData());
        }
        const Decoded decoded = step.decode(*reply);
        if (!reference) reference = decoded;
        if (decoded.error || !sameUpdates(decoded, *reference, step.compareTexts)) {
            ++wrong;
            std::fprintf(stderr, "soak: exchange %d (step %zu) at %.1f s: wrong answer %s\n", i,
                         size_t(i) % steps.size(), clock.elapsed() / 1000.0,
                         reply->toHex(' ').constData());
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
    printRow("soak: late answers to earlier requests, set aside", QString::number(setAside), "-",
             "-", "never decoded");
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
