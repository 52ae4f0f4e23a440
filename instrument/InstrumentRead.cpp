#include "instrument/InstrumentRead.h"

#include "pages/hart/HartCodec.h"
#include "pages/hart/HartReply.h"
#include "serial/Comm.h"
#include "session/HartRequest.h"
#include "session/HartScan.h"

#include <QTimer>
#include <algorithm>

using namespace InstrumentReplies;

namespace {

// The converter relays each HART frame to a 1200 baud loop; between them it gets the pace
// it always had.
constexpr int kHartGapMs = 20;
// Device variable codes from 250 on stand for "none" and the like.
constexpr uint8_t kNotAVariable = 250;
// Command 9 takes up to eight codes, but four to a request keep each reply short.
constexpr size_t kMostVariables = 8;

QString seconds(int ms)
{
    return ms % 1000 ? QString::number(ms / 1000.0, 'g', 3) + QStringLiteral(" s")
                     : QStringLiteral("%1 s").arg(ms / 1000);
}

} // namespace

QByteArray InstrumentRead::longFrame(const Identity& identity, const Options& options, uint8_t command,
                                    const QByteArray& data)
{
    const int asked = identity.requestPreambles.value_or(0);
    HartCodec::Identity address = identity.basic ? identity.basic->longAddress : HartCodec::Identity{};
    address.manufacturer &= 0x3F; // the top two bits are the master and burst bits
    // The frame builder sends one preamble byte more than it is given.
    return HartCodec::longFrame(std::max(options.preambles, asked - 1), options.master, address, command, data);
}

ConverterSession::Options InstrumentRead::sessionOptions(int waitMs, uint32_t baud)
{
    ConverterSession::Options options;
    options.limitMs = waitMs;
    options.quietGapMs = std::max(kHartGapMs, ConverterSession::frameGapMs(baud));
    return options;
}

InstrumentRead::InstrumentRead(ConverterSession& session, Options options, QObject* parent)
    : QObject(parent), session_(session), options_(options)
{
    options_.pollingAddress = std::clamp(options_.pollingAddress, 0, 63);
}

void InstrumentRead::start()
{
    snapshot_ = InstrumentSnapshot{};
    snapshot_.readAt = QDateTime::currentDateTimeUtc();
    snapshot_.pollingAddress = options_.pollingAddress;
    problem_.clear();
    cancelled_ = false;
    running_ = true;
    at_ = 0;
    steps_ = {{0, QStringLiteral("identity"), {}, [this](const HartReply::Frame& f) {
                   snapshot_.identity = readIdentity(f);
                   return snapshot_.identity.reading;
               }}};
    if (!session_.port().IsOpen()) {
        QTimer::singleShot(0, this, [this] { finish(End::PortLost); });
        return;
    }
    QTimer::singleShot(0, this, &InstrumentRead::next);
}

void InstrumentRead::cancel() { cancelled_ = true; }

void InstrumentRead::plan()
{
    const int revision = snapshot_.hartRevision();
    InstrumentSnapshot& s = snapshot_;
    auto step = [this](uint8_t command, const char* what, auto read) {
        steps_.push_back({command, QString::fromLatin1(what), {}, read});
    };
    if (revision >= 6)
        step(7, "loop configuration", [&s](const HartReply::Frame& f) { return (s.loop = readLoopConfiguration(f)).reading; });
    step(8, "classifications", [&s](const HartReply::Frame& f) { return (s.classifications = readClassifications(f)).reading; });
    step(12, "message", [&s](const HartReply::Frame& f) { return (s.message = readMessage(f)).reading; });
    step(13, "tag, descriptor, date", [&s](const HartReply::Frame& f) { return (s.tag = readTagDescriptorDate(f)).reading; });
    step(14, "sensor", [&s](const HartReply::Frame& f) { return (s.sensor = readTransducer(f)).reading; });
    step(15, "PV output", [&s, revision](const HartReply::Frame& f) { return (s.output = readOutput(f, revision)).reading; });
    step(16, "final assembly number", [&s](const HartReply::Frame& f) { return (s.finalAssembly = readFinalAssembly(f)).reading; });
    if (revision >= 6)
        step(20, "long tag", [&s](const HartReply::Frame& f) { return (s.longTag = readLongTag(f)).reading; });
    step(48, "additional status", [&s, revision](const HartReply::Frame& f) {
        return (s.additionalStatus = readAdditionalStatus(f, revision)).reading;
    });
    step(50, "variable assignments", [&s](const HartReply::Frame& f) { return (s.assignments = readAssignments(f)).reading; });
}

void InstrumentRead::planVariables()
{
    // The variables behind PV to QV first, then the instrument's own from code 0 up.
    const int revision = snapshot_.hartRevision();
    std::vector<uint8_t> codes;
    auto add = [&codes](uint8_t code) {
        if (code < kNotAVariable && std::find(codes.begin(), codes.end(), code) == codes.end()) codes.push_back(code);
    };
    for (const auto& code : snapshot_.assignments.codes)
        if (code) add(*code);
    if (revision >= 6 && snapshot_.identity.highestDeviceVariable)
        for (int c = 0; c <= *snapshot_.identity.highestDeviceVariable && c < kNotAVariable; ++c) add(uint8_t(c));
    if (codes.empty())
        for (uint8_t c = 0; c < 4; ++c) add(c);
    const size_t most = revision >= 6 ? kMostVariables : size_t(kVariablesPerRequest);
    if (codes.size() > most) codes.resize(most);

    const uint8_t command = revision >= 6 ? 9 : 33;
    for (const QByteArray& data : variableRequests(codes)) {
        const int asked = int(data.size());
        steps_.push_back({command, QStringLiteral("device variables"), data, [this, asked, revision, command](const HartReply::Frame& f) {
                              const Variables part = command == 9 ? readVariablesWithStatus(f, asked, revision)
                                                                  : readVariables(f, asked);
                              Variables& all = snapshot_.variables;
                              if (!all.extendedStatus) all.extendedStatus = part.extendedStatus;
                              if (part.timeStamp) all.timeStamp = part.timeStamp;
                              all.variables.insert(all.variables.end(), part.variables.begin(), part.variables.end());
                              return part.reading;
                          }});
    }
}

void InstrumentRead::next()
{
    if (!running_) return;
    if (cancelled_) return finish(End::Cancelled);
    if (at_ == steps_.size()) return finish(End::Completed);
    emit progress(int(at_) + 1, int(steps_.size()), steps_[at_].what);
    ask(0);
}

void InstrumentRead::ask(int attempt)
{
    const Step& step = steps_[at_];
    HartScan::Options frames;
    frames.preambles = options_.preambles;
    frames.master = options_.master;
    QByteArray frame;
    if (step.command == 0) {
        frame = HartScan::pollFrame(frames, options_.pollingAddress);
    } else {
        frame = longFrame(snapshot_.identity, options_, step.command, step.data);
    }
    session_.send(hartRequest(frame), [this, attempt](const SessionOutcome& o) { onOutcome(o, attempt); });
}

void InstrumentRead::onOutcome(const SessionOutcome& outcome, int attempt)
{
    if (!running_) return;
    if (outcome.kind == SessionOutcome::Kind::PortLost) return finish(End::PortLost);
    const Step step = steps_[at_]; // a copy: planning more steps moves them
    const auto frame = outcome.kind == SessionOutcome::Kind::Decoded ? HartReply::read(outcome.reply) : std::nullopt;
    if (frame && frame->hasStatus()) emit replied(frame->status());
    const bool garbled = frame && frame->status().communicationError();
    if ((!frame || garbled) && attempt == 0 && !cancelled_) return ask(1);

    QString why;
    if (!frame)
        why = outcome.kind == SessionOutcome::Kind::TimedOut
                  ? QStringLiteral("no answer within %1").arg(seconds(session_.options().limitMs))
                  : outcome.problem();
    else if (step.command == 0 && frame->pollAddress() != options_.pollingAddress && !frame->longAddress())
        why = QStringLiteral("the reply comes from polling address %1").arg(frame->pollAddress());
    else {
        if (frame->hasStatus()) snapshot_.deviceStatus = frame->status().second;
        const Reading reading = step.read(*frame);
        why = reading.summary();
    }

    if (step.command == 0) {
        if (!snapshot_.identity.basic) {
            problem_ = why.startsWith(u"no answer") ? QStringLiteral("no answer from polling address %1 within %2")
                                                          .arg(options_.pollingAddress)
                                                          .arg(seconds(session_.options().limitMs))
                                                    : QStringLiteral("polling address %1: %2").arg(options_.pollingAddress).arg(why);
            return finish(End::NoInstrument);
        }
        if (!why.isEmpty()) note(step, why);
        plan();
    } else if (!why.isEmpty()) {
        note(step, why);
    }
    if (step.command == 50) planVariables();
    ++at_;
    next();
}

void InstrumentRead::note(const Step& step, const QString& why)
{
    snapshot_.notes << QStringLiteral("command %1 (%2): %3").arg(step.command).arg(step.what, why);
}

void InstrumentRead::finish(End end)
{
    if (!running_) return;
    running_ = false;
    emit finished(end);
}
