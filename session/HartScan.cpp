#include "session/HartScan.h"

#include "pages/hart/HartReply.h"
#include "pages/system/SystemCodec.h"
#include "serial/Comm.h"

#include <QTimer>
#include <algorithm>
#include <iterator>

HartScan::HartScan(ConverterSession& session, Options options, QObject* parent)
    : QObject(parent), session_(session), options_(options)
{
    options_.last = std::clamp(options_.last, 0, 63);
}

QByteArray HartScan::pollFrame(const Options& options, int address)
{
    // Six bits of polling address: HART 6 and 7 instruments answer at 0 to 63.
    const char frame[] = {0x02, char(options.master | (address & 0x3F)), 0x00, 0x00};
    return HartCodec::typedFrame(options.preambles, QByteArray(frame, sizeof frame));
}

QByteArray HartScan::longFrame(const Options& options, const HartCodec::Identity& address, uint8_t command)
{
    // The first address byte carries six bits of the instrument's; the top two are the
    // master and burst bits.
    HartCodec::Identity a = address;
    a.manufacturer &= 0x3F;
    return HartCodec::longFrame(options.preambles, options.master, a, command);
}

void HartScan::start()
{
    found_.clear();
    workingMode_.reset();
    address_ = -1;
    cancelled_ = false;
    running_ = true;
    if (!session_.port().IsOpen()) {
        QTimer::singleShot(0, this, [this] { finish(End::PortLost); });
        return;
    }
    QTimer::singleShot(0, this, &HartScan::next);
}

void HartScan::cancel() { cancelled_ = true; }

void HartScan::ask(SessionRequest request, std::function<void(const SessionOutcome&)> then)
{
    session_.send(std::move(request), [this, then = std::move(then)](const SessionOutcome& outcome) {
        if (!running_) return;
        if (outcome.kind == SessionOutcome::Kind::PortLost) return finish(End::PortLost);
        then(outcome);
    });
}

void HartScan::ask(const QByteArray& frame, std::function<void(const SessionOutcome&)> then)
{
    SessionRequest r;
    r.frame = frame;
    r.display = FrameDisplay::Hex;
    r.missing = [](const QByteArray& reply) { return HartReply::missing(reply); };
    ask(std::move(r), std::move(then));
}

void HartScan::askWorkingMode()
{
    SessionRequest r;
    r.frame = SystemCodec::queryRequest();
    r.missing = SystemCodec::missingKeys;
    r.decode = SystemCodec::decodeReply;
    ask(std::move(r), [this](const SessionOutcome& outcome) {
        // The decoder names the working mode by the list it fills on the System Parameters
        // page.
        if (outcome.kind == SessionOutcome::Kind::Decoded)
            for (const FieldUpdate& u : outcome.decoded.updates)
                if (u.control == u"ComboBox7" && u.kind == FieldUpdate::Kind::ItemIndex) workingMode_ = u.index;
        finish(End::Completed);
    });
}

QString HartScan::notTransparent(int mode)
{
    static const char* const kModes[] = {nullptr, "MODBUS mode 1 (single meter)", "MODBUS mode 2 (multi-slave)",
                                         "monitoring mode 3 (MODBUS RTU, custom)", "monitoring mode 4 (data output)"};
    if (mode == 0) return {};
    const QString name = mode > 0 && mode < int(std::size(kModes)) ? QLatin1String(kModes[mode])
                                                                    : QStringLiteral("working mode %1").arg(mode);
    return QStringLiteral("the converter is in %1, not transparent mode").arg(name);
}

void HartScan::next()
{
    if (!running_) return;
    if (cancelled_) return finish(End::Cancelled);
    if (++address_ > options_.last) return found_.empty() ? askWorkingMode() : finish(End::Completed);
    emit progress(address_, options_.last);
    current_ = Found{};
    current_.pollAddress = address_;
    ask(pollFrame(options_, address_), [this](const SessionOutcome& o) { onIdentity(o); });
}

std::optional<HartReply::Frame> HartScan::replyTo(const SessionOutcome& outcome, uint8_t command, QString& why) const
{
    if (outcome.kind == SessionOutcome::Kind::TimedOut) {
        why = QStringLiteral("no answer");
        return std::nullopt;
    }
    const auto reply = HartReply::read(outcome.reply);
    if (outcome.kind != SessionOutcome::Kind::Decoded || !reply || !reply->whole) {
        why = QStringLiteral("the reply was cut short");
        return std::nullopt;
    }
    if (!reply->checksumOk) {
        why = QStringLiteral("the reply's checksum does not match");
        return std::nullopt;
    }
    if (reply->command != command) {
        why = QStringLiteral("the reply is to command %1").arg(reply->command);
        return std::nullopt;
    }
    return reply;
}

void HartScan::onIdentity(const SessionOutcome& outcome)
{
    // Nobody at this address. Bytes that start no reply (the tail of a late answer to the
    // address before) are no answer either.
    if (outcome.kind == SessionOutcome::Kind::TimedOut || HartReply::missing(outcome.reply).contains(u"delimiter"))
        return next();
    QString why;
    const auto reply = replyTo(outcome, 0, why);
    if (reply && !reply->longAddress() && reply->pollAddress() != address_)
        why = QStringLiteral("the reply comes from polling address %1").arg(reply->pollAddress());
    if (!why.isEmpty()) {
        current_.problems << QStringLiteral("no identity: ") + why;
        return report();
    }
    current_.status = reply->status();
    current_.identity = HartCommands::identity(*reply);
    if (!current_.identity) {
        current_.problems << QStringLiteral("no identity: ") + current_.status.summary();
        return report();
    }
    readTags();
}

void HartScan::readTags()
{
    if (cancelled_) return report(); // what is known of it so far, then the end
    ask(longFrame(options_, current_.identity->longAddress, 13), [this](const SessionOutcome& o) { onTag(o, 13); });
}

void HartScan::onTag(const SessionOutcome& outcome, uint8_t command)
{
    const QString name = command == 13 ? QStringLiteral("tag") : QStringLiteral("long tag");
    QString why;
    if (const auto reply = replyTo(outcome, command, why)) {
        const auto text = command == 13 ? HartCommands::tag(*reply) : HartCommands::longTag(*reply);
        if (text)
            (command == 13 ? current_.tag : current_.longTag) = *text;
        else
            why = reply->status().summary();
    }
    if (!why.isEmpty()) current_.problems << name + QStringLiteral(": ") + why;
    if (command == 13 && current_.identity->revision >= 6 && !cancelled_) {
        // Command 20 next, whatever became of the tag.
        ask(longFrame(options_, current_.identity->longAddress, 20), [this](const SessionOutcome& o) { onTag(o, 20); });
        return;
    }
    report();
}

void HartScan::report()
{
    found_.push_back(current_);
    emit answered(found_.back());
    next();
}

void HartScan::finish(End end)
{
    if (!running_) return;
    running_ = false;
    emit finished(end);
}
