#include "instrument/LoopTest.h"

#include "pages/hart/HartCommands.h"
#include "pages/hart/InstrumentWrites.h"
#include "serial/Comm.h"
#include "session/HartRequest.h"
#include "session/HartScan.h"
#include "tools/FloatText.h"

namespace {

constexpr uint8_t kFixCurrent = 40, kReadDynamic = 3, kBusy = 32;
constexpr uint8_t kLoopCurrentFixed = 0x08; // in the field device status
constexpr int kLeaveAttempts = 5;
constexpr int kRecoverEveryMs = 1000;

QString mA(float f) { return shortestSingle(f) + QStringLiteral(" mA"); }

// The audit log's words.
const QString kStepSetting = QStringLiteral("loop current (loop test)");
const QString kLeaveSetting = QStringLiteral("fixed current mode (loop test)");
const QString kCancelled = QStringLiteral("cancelled");
const QString kPortWentAway = QStringLiteral("the port went away");
const QString kStillFixed = QStringLiteral("still fixed: ");

// The log keeps currents to the microampere, asked and set alike: "12.000 mA".
QString loggedMilliamps(float f) { return QString::number(f, 'f', 3) + QStringLiteral(" mA"); }

} // namespace

LoopTest::LoopTest(ConverterSession& session, Options options, QObject* parent)
    : QObject(parent), session_(session), options_(std::move(options))
{
    hold_.setSingleShot(true);
    connect(&hold_, &QTimer::timeout, this, [this] {
        endStep(QStringLiteral("held %1 s").arg(options_.holdMs / 1000.0));
        fix(index_ + 1);
    });
    retry_.setSingleShot(true);
    connect(&retry_, &QTimer::timeout, this, &LoopTest::recover);
    // During a hold nothing is under way to report the loss.
    connect(&session_, &ConverterSession::portGone, this, [this] {
        if (running_ && !recovering_ && !session_.busy()) recover();
    });
}

void LoopTest::start()
{
    running_ = true;
    stopping_ = fixed_ = leaving_ = completed_ = recovering_ = false;
    messages_.clear();
    index_ = 0;
    step_.reset();
    logged_ = 0;
    leaveOutcome_.clear();
    leftNow_ = QStringLiteral("-");
    auditProblem_.clear();
    identify();
}

void LoopTest::cancel()
{
    if (!running_ || stopping_) return;
    stopping_ = true;
    messages_ << QStringLiteral("cancelled");
    if (hold_.isActive()) {
        hold_.stop();
        endStep(kCancelled);
        leave(0);
    }
    // Otherwise the request under way ends first, and its answer leads out.
}

void LoopTest::ask(uint8_t command, const QByteArray& data, std::function<void(std::optional<HartReply::Frame>)> then)
{
    QByteArray frame = command == 0 ? HartScan::pollFrame({0, options_.read.preambles, options_.read.master},
                                                          options_.read.pollingAddress)
                                    : InstrumentRead::longFrame(identity_, options_.read, command, data);
    session_.send(hartRequest(frame), [this, command, then = std::move(then)](const SessionOutcome& o) {
        if (!running_) return;
        if (o.kind == SessionOutcome::Kind::PortLost) return recovering_ ? void() : recover();
        auto reply = o.kind == SessionOutcome::Kind::Decoded ? HartReply::read(o.reply) : std::nullopt;
        if (reply && reply->hasStatus()) emit replied(reply->status());
        if (reply && (reply->command != command || !reply->hasStatus())) reply.reset();
        then(reply);
    });
}

void LoopTest::identify()
{
    emit progress(QStringLiteral("reading the instrument's identity"));
    ask(0, {}, [this](std::optional<HartReply::Frame> reply) {
        if (reply) identity_ = InstrumentReplies::readIdentity(*reply);
        if (!reply || !identity_.basic) {
            messages_ << QStringLiteral("no answer from polling address %1; nothing was fixed").arg(options_.read.pollingAddress);
            return finish(End::NoInstrument);
        }
        if (stopping_) return finish(End::Stopped);
        fix(0);
    });
}

void LoopTest::fix(size_t index)
{
    index_ = index;
    if (stopping_ || index >= options_.currents.size()) {
        completed_ = !stopping_;
        return leave(0);
    }
    const float asked = options_.currents[index];
    const auto request = InstrumentWrites::fixedCurrent(asked);
    if (!request.ok()) {
        messages_ << request.refused;
        stopping_ = true;
        return leave(0);
    }
    emit progress(QStringLiteral("fixing the loop current at %1").arg(mA(asked)));
    // From here on leaving is owed, even when the answer is lost; a plain refusal changes nothing.
    const bool wasFixed = fixed_;
    fixed_ = true;
    step_ = Step{QDateTime::currentDateTimeUtc(), asked, std::nullopt};
    ask(kFixCurrent, request.data, [this, index, asked, wasFixed](std::optional<HartReply::Frame> reply) {
        if (reply && reply->status().refused() && !reply->status().communicationError()) fixed_ = wasFixed;
        if (!reply || reply->status().refused()) {
            messages_ << QStringLiteral("%1 not set: %2").arg(mA(asked), reply ? reply->status().summary() : QStringLiteral("no answer"));
            endStep(reply ? QStringLiteral("refused: ") + reply->status().summary() : QStringLiteral("no answer; it may have been applied"));
            stopping_ = true;
            return leave(0);
        }
        const QByteArray data = reply->data();
        const std::optional<float> set = data.size() >= 4 ? std::optional<float>(singleAt(data, 0)) : std::nullopt;
        step_->set = set;
        emit currentSet(int(index), asked, set);
        if (stopping_) {
            endStep(kCancelled);
            return leave(0);
        }
        hold_.start(options_.holdMs);
    });
}

void LoopTest::leave(int attempt)
{
    if (!fixed_) return finish(stopping_ ? End::Stopped : End::Completed);
    leaving_ = true;
    emit progress(QStringLiteral("leaving fixed current mode"));
    ask(kFixCurrent, InstrumentWrites::fixedCurrent(0).data, [this, attempt](std::optional<HartReply::Frame> reply) {
        if (reply && !reply->status().refused()) return check();
        // Only silence, a garbled request or a busy instrument is worth asking again.
        const bool transient = !reply || reply->status().communicationError() || reply->status().first == kBusy;
        if (transient && attempt + 1 < kLeaveAttempts) return leave(attempt + 1);
        const QString why = reply ? QStringLiteral("refused: ") + reply->status().summary() : QStringLiteral("no answer");
        messages_ << QStringLiteral("the instrument did not leave fixed current mode: %1; its loop current may still be "
                                    "fixed")
                         .arg(reply ? reply->status().summary() : QStringLiteral("no answer"));
        leaveOutcome_ = kStillFixed + why;
        finish(End::StillFixed);
    });
}

void LoopTest::check()
{
    ask(kReadDynamic, {}, [this](std::optional<HartReply::Frame> reply) {
        if (reply && !(reply->status().second & kLoopCurrentFixed)) {
            fixed_ = false;
            leftNow_ = QStringLiteral("not fixed");
            leaveOutcome_ = QStringLiteral("left fixed current mode");
            messages_ << QStringLiteral("the instrument left fixed current mode");
            return finish(completed_ ? End::Completed : End::Stopped);
        }
        messages_ << (reply ? QStringLiteral("the instrument still reports its loop current fixed")
                            : QStringLiteral("the instrument did not answer command 3 after leaving fixed current mode"));
        if (reply) leftNow_ = QStringLiteral("fixed");
        leaveOutcome_ = kStillFixed + (reply ? QStringLiteral("command 3 still reports the loop current fixed")
                                             : QStringLiteral("no answer to command 3"));
        finish(End::StillFixed);
    });
}

void LoopTest::recover()
{
    // The port went away. Nothing can reach the instrument until it is back; it is tried
    // again once a second for a while, then fixed current mode is left as usual.
    hold_.stop();
    endStep(kPortWentAway);
    stopping_ = true;
    recovering_ = true;
    if (!lostFor_.isValid()) {
        lostFor_.start();
        messages_ << QStringLiteral("the port went away");
        emit progress(QStringLiteral("the port went away; trying it again"));
    }
    if (!fixed_) return finish(End::Stopped);
    if (session_.reopen(options_.baud, options_.parity).isEmpty()) {
        lostFor_.invalidate();
        recovering_ = false;
        messages_ << QStringLiteral("the port came back");
        return leave(0);
    }
    if (lostFor_.elapsed() >= options_.recoverMs) {
        messages_ << QStringLiteral("the port did not come back within %1 s: the instrument may still hold a fixed loop "
                                    "current; leave fixed current mode by hand")
                         .arg(options_.recoverMs / 1000);
        leaveOutcome_ = kStillFixed + QStringLiteral("the port did not come back within %1 s").arg(options_.recoverMs / 1000);
        return finish(End::StillFixed);
    }
    retry_.start(kRecoverEveryMs);
}

void LoopTest::finish(End end)
{
    if (!running_) return;
    running_ = false;
    hold_.stop();
    retry_.stop();
    endStep(kCancelled); // none is left under way; kept so that no current goes unlogged
    // Once a current was sent, the currents never reached are logged too, as the writes'
    // settings are; and leaving is logged whenever it was owed.
    const QDateTime now = QDateTime::currentDateTimeUtc();
    if (logged_ > 0)
        for (size_t i = logged_; i < options_.currents.size(); ++i)
            log({now, options_.port, options_.read.pollingAddress, deviceId(), kStepSetting,
                 loggedMilliamps(options_.currents[i]), QStringLiteral("-"), QStringLiteral("not sent")});
    if (leaving_ || fixed_)
        log({now, options_.port, options_.read.pollingAddress, deviceId(), kLeaveSetting, QStringLiteral("fixed"), leftNow_,
             leaveOutcome_.isEmpty() ? kStillFixed + QStringLiteral("not asked to leave") : leaveOutcome_});
    emit finished(end);
}

QString LoopTest::deviceId() const
{
    const auto id = identity_.deviceId;
    return id ? QString::fromLatin1(QByteArray(reinterpret_cast<const char*>(id->data()), 3).toHex().toUpper()) : QStringLiteral("-");
}

void LoopTest::endStep(const QString& outcome)
{
    if (!step_) return;
    log({step_->at, options_.port, options_.read.pollingAddress, deviceId(), kStepSetting, loggedMilliamps(step_->asked),
         step_->set ? loggedMilliamps(*step_->set) : QStringLiteral("-"), outcome});
    step_.reset();
    ++logged_;
}

void LoopTest::log(const AuditLog::Entry& entry)
{
    const QString why = AuditLog::append(options_.auditPath, {entry});
    if (why.isEmpty() || !auditProblem_.isEmpty()) return;
    auditProblem_ = why;
    messages_ << QStringLiteral("the audit log was not written: ") + why;
}
