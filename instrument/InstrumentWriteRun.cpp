#include "instrument/InstrumentWriteRun.h"

#include "instrument/SnapshotFile.h"
#include "pages/hart/HartReply.h"
#include "session/HartRequest.h"

#include <QJsonArray>

using WritableSettings::Key;

namespace {

constexpr int kBusy = 32;
constexpr int kBusyRetries = 3;
constexpr uint8_t kResetChangedFlag = 38;

// The command that writes a key.
uint8_t commandOf(Key key)
{
    switch (key) {
    case Key::Tag:
    case Key::Descriptor:
    case Key::Date: return 18;
    case Key::Message: return 17;
    case Key::LongTag: return 22;
    case Key::Unit: return 44;
    case Key::Range: return 35;
    case Key::Damping: return 34;
    case Key::TransferFunction: return 47;
    case Key::PollingAddress:
    case Key::LoopCurrentMode: return 6;
    }
    return 0;
}

std::optional<InstrumentWrites::SensorLimits> sensorOf(const QJsonObject& snapshot)
{
    const QJsonObject s = snapshot.value("sensor").toObject();
    for (const char* key : {"unit_code", "lower_limit", "upper_limit", "min_span"})
        if (!s.value(QLatin1String(key)).isDouble()) return std::nullopt;
    return InstrumentWrites::SensorLimits{uint8_t(s.value("unit_code").toInt()), float(s.value("lower_limit").toDouble()),
                                          float(s.value("upper_limit").toDouble()), float(s.value("min_span").toDouble())};
}

std::optional<int> counterOf(const QJsonObject& snapshot)
{
    const QJsonValue v = snapshot.value("identity").toObject().value("config_change_counter");
    return v.isDouble() ? std::optional<int>(v.toInt()) : std::nullopt;
}

} // namespace

InstrumentWriteRun::InstrumentWriteRun(ConverterSession& session, Options options, Wanted wanted, QObject* parent)
    : QObject(parent), session_(session), options_(std::move(options)), wanted_(std::move(wanted))
{
    backOff_.setSingleShot(true);
}

InstrumentWriteRun::~InstrumentWriteRun() = default;

void InstrumentWriteRun::start()
{
    running_ = true;
    cancelled_ = false;
    audited_ = false;
    messages_.clear();
    plan_ = {};
    before_ = after_ = {};
    readBefore();
}

void InstrumentWriteRun::cancel()
{
    cancelled_ = true;
    if (read_) read_->cancel();
    if (backOff_.isActive()) {
        backOff_.stop();
        messages_ << QStringLiteral("cancelled while the instrument was busy");
        finish(End::Cancelled);
    }
}

void InstrumentWriteRun::readBefore()
{
    emit progress(QStringLiteral("reading the instrument"));
    read_ = std::make_unique<InstrumentRead>(session_, options_.read);
    connect(read_.get(), &InstrumentRead::replied, this, &InstrumentWriteRun::replied);
    connect(read_.get(), &InstrumentRead::finished, this, &InstrumentWriteRun::onBefore);
    read_->start();
}

void InstrumentWriteRun::onBefore(InstrumentRead::End end)
{
    if (end == InstrumentRead::End::PortLost) return finish(End::PortLost);
    if (end == InstrumentRead::End::Cancelled) return finish(End::Cancelled);
    if (end == InstrumentRead::End::NoInstrument) {
        messages_ << read_->problem();
        return finish(End::Trouble);
    }
    identitySource_ = read_->snapshot();
    before_ = identitySource_.document();
    const QJsonObject pv = before_.value("pv").toObject();
    if (pv.value("write_protect") == QJsonValue(true)) {
        messages_ << QStringLiteral("the instrument is write-protected (command 15 says so); nothing was written");
        return finish(End::Refused);
    }
    if (pv.value("write_protect_code").isNull()) {
        messages_ << QStringLiteral("the instrument did not tell whether it is write-protected (command 15 gave "
                                    "nothing); nothing was written");
        return finish(End::Trouble);
    }
    wantedSettings_ = wanted_(before_);
    plan_ = WritableSettings::plan(WritableSettings::fromSnapshot(before_), wantedSettings_,
                                   identitySource_.hartRevision(), sensorOf(before_));
    if (!plan_.refusals.isEmpty()) {
        messages_ << plan_.refusals;
        return finish(End::Refused);
    }
    if (plan_.empty()) return finish(End::NothingToWrite);
    results_.assign(plan_.requests.size(), QStringLiteral("not sent"));
    nearest_.assign(plan_.requests.size(), false);
    emit planned(plan_);
}

void InstrumentWriteRun::confirm(bool go)
{
    if (!running_ || plan_.requests.empty()) return;
    if (!go) {
        messages_ << QStringLiteral("not confirmed; nothing was written");
        return finish(End::Declined);
    }
    write(0, 0);
}

void InstrumentWriteRun::write(size_t index, int attempt)
{
    if (!running_) return;
    if (cancelled_) {
        messages_ << QStringLiteral("cancelled; what was written before stays written");
        return finish(End::Cancelled);
    }
    if (index == plan_.requests.size()) return readBack();
    const auto& request = plan_.requests[index];
    emit progress(QStringLiteral("writing with command %1").arg(request.command));
    session_.send(hartRequest(InstrumentRead::longFrame(identitySource_.identity, options_.read, request.command, request.data)),
                  [this, index, attempt](const SessionOutcome& o) { onWritten(o, index, attempt); });
}

void InstrumentWriteRun::onWritten(const SessionOutcome& outcome, size_t index, int attempt)
{
    if (!running_) return;
    if (outcome.kind == SessionOutcome::Kind::PortLost) return finish(End::PortLost);
    const uint8_t command = plan_.requests[index].command;
    const auto frame = outcome.kind == SessionOutcome::Kind::Decoded ? HartReply::read(outcome.reply) : std::nullopt;
    if (frame && frame->hasStatus()) emit replied(frame->status());
    const bool answered = frame && frame->command == command && frame->hasStatus();
    // An unanswered or garbled write is sent once more: writing a value twice sets it once.
    if ((!answered || frame->status().communicationError()) && attempt == 0) return write(index, 1);
    if (!answered) {
        results_[index] = QStringLiteral("no answer; it may have been applied");
        messages_ << QStringLiteral("command %1: no answer; it may have been applied").arg(command);
        return finish(End::Trouble);
    }
    const HartStatus::Status status = frame->status();
    if (status.first == kBusy && attempt < kBusyRetries) {
        backOff_.disconnect();
        connect(&backOff_, &QTimer::timeout, this, [this, index, attempt] { write(index, attempt + 1); });
        backOff_.start(options_.busyBackOffMs << attempt);
        return;
    }
    if (status.refused()) {
        results_[index] = QStringLiteral("refused: ") + status.summary();
        messages_ << QStringLiteral("command %1 refused: %2; the writes before it were applied").arg(command).arg(status.summary());
        return finish(End::Trouble);
    }
    nearest_[index] = status.first == 8;
    results_[index] = status.first == 0 ? QStringLiteral("written") : status.summary();
    write(index + 1, 0);
}

void InstrumentWriteRun::readBack()
{
    emit progress(QStringLiteral("reading the instrument back"));
    InstrumentRead::Options options = options_.read;
    // After a new polling address the instrument answers there.
    options.pollingAddress = wantedSettings_.pollingAddress.value_or(options.pollingAddress);
    read_ = std::make_unique<InstrumentRead>(session_, options);
    connect(read_.get(), &InstrumentRead::replied, this, &InstrumentWriteRun::replied);
    connect(read_.get(), &InstrumentRead::finished, this, &InstrumentWriteRun::onBack);
    read_->start();
}

void InstrumentWriteRun::onBack(InstrumentRead::End end)
{
    if (end == InstrumentRead::End::PortLost) return finish(End::PortLost);
    if (end != InstrumentRead::End::Completed) {
        messages_ << QStringLiteral("written, but the read-back failed: %1").arg(read_->problem());
        return finish(End::Trouble);
    }
    after_ = read_->snapshot().document();
    const auto back = WritableSettings::fromSnapshot(after_);
    bool trouble = false, nearest = false;
    for (Key key : WritableSettings::notAsAsked(plan_, wantedSettings_, back)) {
        const uint8_t command = commandOf(key);
        bool toNearest = false;
        for (size_t i = 0; i < plan_.requests.size(); ++i)
            if (plan_.requests[i].command == command && nearest_[i]) toNearest = true;
        const QString now = WritableSettings::text(back, key), asked = WritableSettings::text(wantedSettings_, key);
        if (toNearest) {
            nearest = true;
            messages_ << QStringLiteral("%1: set to the nearest value the instrument allows, %2 (asked %3)")
                             .arg(WritableSettings::name(key), now, asked);
        } else {
            trouble = true;
            messages_ << QStringLiteral("%1: reads back as %2, not as asked (%3)").arg(WritableSettings::name(key), now, asked);
        }
        for (size_t i = 0; i < plan_.requests.size(); ++i)
            if (plan_.requests[i].command == command) results_[i] = QStringLiteral("reads back as ") + now;
    }
    // From HART 7 the instrument counts the changes of its configuration.
    const auto before = counterOf(before_), after = counterOf(after_);
    if (identitySource_.hartRevision() >= 7 && before && after && *before == *after) {
        trouble = true;
        messages_ << QStringLiteral("the configuration change counter did not move (%1): the instrument may not have "
                                    "kept the change")
                         .arg(*after);
    }
    if (trouble) return finish(End::Trouble);
    setToNearest_ = nearest;
    if (!options_.resetChangedFlag) return finish(nearest ? End::Nearest : End::Written);
    resetFlag();
}

void InstrumentWriteRun::resetFlag()
{
    emit progress(QStringLiteral("resetting the configuration changed flag"));
    const auto request = InstrumentWrites::resetChangedFlag(
        identitySource_.hartRevision() >= 7 ? std::optional<uint16_t>(uint16_t(counterOf(after_).value_or(0))) : std::nullopt);
    session_.send(hartRequest(InstrumentRead::longFrame(identitySource_.identity, options_.read, request.command, request.data)),
                  [this](const SessionOutcome& o) {
                      if (!running_) return;
                      if (o.kind == SessionOutcome::Kind::PortLost) return finish(End::PortLost);
                      const auto frame = HartReply::read(o.reply);
                      if (frame && frame->hasStatus()) emit replied(frame->status());
                      if (!frame || frame->command != kResetChangedFlag || !frame->hasStatus() || frame->status().refused()) {
                          messages_ << QStringLiteral("written, but the configuration changed flag was not reset: %1")
                                           .arg(frame && frame->hasStatus() ? frame->status().summary() : o.problem());
                          return finish(End::Trouble);
                      }
                      messages_ << QStringLiteral("the configuration changed flag was reset");
                      finish(setToNearest_ ? End::Nearest : End::Written);
                  });
}

QString InstrumentWriteRun::outcomeOf(Key key) const
{
    for (size_t i = 0; i < plan_.requests.size() && i < results_.size(); ++i)
        if (plan_.requests[i].command == commandOf(key)) return results_[i];
    return QStringLiteral("not sent");
}

void InstrumentWriteRun::audit()
{
    if (audited_ || plan_.requests.empty() || results_.empty()) return;
    audited_ = true;
    // Only once something may have reached the instrument.
    const bool sent = std::any_of(results_.begin(), results_.end(), [](const QString& r) { return r != u"not sent"; });
    if (!sent) return;
    QList<AuditLog::Entry> entries;
    const QString id = before_.value("identity").toObject().value("device_id").toString();
    for (const auto& change : plan_.changes)
        entries.push_back({QDateTime::currentDateTimeUtc(), options_.port, options_.read.pollingAddress, id,
                           WritableSettings::name(change.key), change.old, change.wanted, outcomeOf(change.key)});
    if (const QString why = AuditLog::append(options_.auditPath, entries); !why.isEmpty())
        messages_ << QStringLiteral("the audit log was not written: ") + why;
}

void InstrumentWriteRun::finish(End end)
{
    if (!running_) return;
    running_ = false;
    audit();
    if (end != End::Trouble && messages_.filter(QStringLiteral("the audit log was not written")).size()) end = End::Trouble;
    emit finished(end);
}
