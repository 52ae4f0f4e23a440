#include "session/ConverterSession.h"

#include "pages/hart/HartReply.h"
#include "pages/system/QueryReply.h"
#include "pages/system/SystemCodec.h"
#include "serial/Comm.h"

#include <QtGlobal>
#include <algorithm>
#include <cmath>
#include <limits>

namespace {

// What of the bytes gathered may answer the request. A late answer to an earlier query, or
// a HART answer from another instrument or to another command, is left out, so that no
// value is read from it.
QByteArray replyTo(const QByteArray& gathered, const QByteArray& request)
{
    return HartReply::answerTo(QueryReply::ownReply(gathered, request), request);
}

} // namespace

QString SessionOutcome::problem() const
{
    switch (kind) {
    case Kind::Decoded:
    case Kind::Acknowledged: return {};
    case Kind::Refused: return QStringLiteral("the converter refused it: ") + QString::fromLatin1(reply);
    case Kind::MissingKeys:
        return QStringLiteral("answered, missing %1").arg(missing.join(QStringLiteral(", ")));
    case Kind::Unreadable: return QStringLiteral("an answer came that could not be read");
    case Kind::TimedOut: return QStringLiteral("no answer within 3 s");
    case Kind::PortLost: return QStringLiteral("the port went away");
    }
    return {};
}

ConverterSession::ConverterSession(TComm& port, ExchangeView& view) : ConverterSession(port, view, Options{}) {}

ConverterSession::ConverterSession(TComm& port, ExchangeView& view, Options options)
    : port_(port), view_(view), options_(options), ownerReceive_(std::move(port.OnReceiveData)),
      ownerHangup_(std::move(port.OnRequestHangup)), ownerReadInterval_(port.ReadIntervalTimeout())
{
    port_.OnReceiveData = [this](TComm*, const uint8_t* data, uint16_t size) { onChunk(data, size); };
    port_.OnRequestHangup = [this](TComm*) { onHangup(); };
    port_.SetReadIntervalTimeout(uint32_t(readIntervalMs()));
    limit_.setSingleShot(true);
    limit_.setTimerType(Qt::PreciseTimer);
    connect(&limit_, &QTimer::timeout, this, &ConverterSession::onLimit);
    gap_.setSingleShot(true);
    gap_.setTimerType(Qt::PreciseTimer);
    connect(&gap_, &QTimer::timeout, this, &ConverterSession::write);
}

ConverterSession::~ConverterSession()
{
    port_.OnReceiveData = std::move(ownerReceive_);
    port_.OnRequestHangup = std::move(ownerHangup_);
    port_.SetReadIntervalTimeout(ownerReadInterval_);
}

int ConverterSession::frameGapMs(uint32_t baud, double bitsPerCharacter)
{
    return int(std::ceil(3.5 * bitsPerCharacter * 1000 / double(std::max<uint32_t>(baud, 1))));
}

int ConverterSession::lineFrameGapMs() const
{
    // A start bit, the data bits, the parity bit and the stop bits.
    const double data = 5 + int(port_.ByteSize());
    const double parity = port_.Parity() == TParity::None ? 0 : 1;
    const double stop = port_.StopBits() == TStopBits::_1 ? 1 : port_.StopBits() == TStopBits::_1_5 ? 1.5 : 2;
    return frameGapMs(port_.BaudRate(), 1 + data + parity + stop);
}

int ConverterSession::readIntervalMs() const
{
    return options_.readIntervalMs == kFromLine ? lineFrameGapMs() : options_.readIntervalMs;
}

int ConverterSession::quietGapMs() const
{
    return options_.quietGapMs == kFromLine ? lineFrameGapMs() : options_.quietGapMs;
}

void ConverterSession::send(SessionRequest request, std::function<void(const SessionOutcome&)> done)
{
    Q_ASSERT(!pending_);
    pending_ = Pending{std::move(request), std::move(done)};
    written_ = false;
    gathered_.clear();
    // Through the event loop even without a gap, so that `done` never runs inside send().
    gap_.start(int(std::max<qint64>(0, quietStillNeeded())));
}

qint64 ConverterSession::sinceLastByte() const
{
    // A chunk is handed over once the line has been quiet for the read interval, so its
    // last byte came that long before it.
    return sinceHeard_.isValid() ? sinceHeard_.elapsed() + readIntervalMs() : std::numeric_limits<qint64>::max();
}

qint64 ConverterSession::quietSinceUnanswered() const
{
    return std::min(sinceLastByte(), sinceUnanswered_.elapsed());
}

qint64 ConverterSession::quietStillNeeded() const
{
    if (!unanswered_.empty() && quietSinceUnanswered() < options_.limitMs) {
        const QByteArray& next = pending_->request.frame;
        const bool toldApart = std::all_of(unanswered_.begin(), unanswered_.end(),
                                           [&](const QByteArray& f) { return HartReply::toldApart(f, next); });
        if (!toldApart) return options_.limitMs - quietSinceUnanswered();
    }
    return quietGapMs() - sinceLastByte();
}

void ConverterSession::write()
{
    if (!pending_) return;
    // Bytes heard during the wait start it again.
    if (const qint64 wait = quietStillNeeded(); wait > 0) {
        gap_.start(int(wait));
        return;
    }
    // Whatever was still owed has had a whole time limit of quiet to arrive, or is no more
    // awaited.
    if (!unanswered_.empty() && quietSinceUnanswered() >= options_.limitMs) unanswered_.clear();
    const QByteArray& frame = pending_->request.frame;
    view_.showSent(displayed(frame, pending_->request.display));
    view_.showReceived(QString());
    if (lost_ || !port_.SendBytes(frame.constData(), uint16_t(std::min<qsizetype>(frame.size(), 0xFFFF)))) {
        finish(SessionOutcome::of(SessionOutcome::Kind::PortLost));
        return;
    }
    written_ = true;
    emit frameWritten(frame);
    limit_.start(options_.limitMs);
}

void ConverterSession::onChunk(const uint8_t* data, uint16_t size)
{
    sinceHeard_.start();
    const QByteArray chunk(reinterpret_cast<const char*>(data), size);
    emit chunkArrived(chunk);
    // A chunk between requests answers nothing that is asked (a late answer, while the line
    // settles after one that went unanswered): it is logged, never decoded.
    if (!pending_ || !written_) return;
    gathered_ += chunk.left(options_.gatherLimit - gathered_.size());
    view_.showReceived(displayed(gathered_, pending_->request.display));

    const SessionRequest& r = pending_->request;
    if (r.kind == SessionRequest::Kind::Set) {
        const SystemCodec::SetReply reply = SystemCodec::setReplyFor(gathered_, r.frame);
        if (!reply.complete) return;
        SessionOutcome outcome = SessionOutcome::of(
            SystemCodec::setAcknowledged(reply.text) ? SessionOutcome::Kind::Acknowledged : SessionOutcome::Kind::Refused);
        outcome.reply = reply.text;
        finish(std::move(outcome));
        return;
    }
    const QByteArray own = replyTo(gathered_, r.frame);
    if (r.missing && !r.missing(own).isEmpty()) return;
    const bool readable = !r.readable || r.readable(own);
    SessionOutcome outcome = SessionOutcome::of(readable ? SessionOutcome::Kind::Decoded : SessionOutcome::Kind::Unreadable);
    outcome.reply = own;
    if (!readable) return finish(std::move(outcome));
    if (r.decode) outcome.decoded = r.decode(own);
    finish(std::move(outcome));
}

void ConverterSession::onLimit()
{
    if (!pending_) return;
    const SessionRequest& r = pending_->request;
    const bool set = r.kind == SessionRequest::Kind::Set;
    SessionOutcome outcome;
    // A set reply without its closing "#" is still the converter's word on the request.
    outcome.reply = set ? SystemCodec::setReplyFor(gathered_, r.frame).text : replyTo(gathered_, r.frame);
    if (outcome.reply.isEmpty()) {
        // After an unanswered request the line settled before this one went out, so what
        // came since is this request's answer, garbled, unless it is all whole HART answers
        // from other instruments or to other commands.
        outcome.reply = HartReply::answerTo(gathered_, r.frame);
        outcome.kind = outcome.reply.isEmpty() ? SessionOutcome::Kind::TimedOut : SessionOutcome::Kind::Unreadable;
    } else if (set) {
        outcome.kind = SystemCodec::setAcknowledged(outcome.reply) ? SessionOutcome::Kind::Acknowledged
                                                                   : SessionOutcome::Kind::Refused;
    } else {
        outcome.kind = SessionOutcome::Kind::MissingKeys;
        if (r.missing) outcome.missing = r.missing(outcome.reply);
    }
    finish(std::move(outcome));
}

void ConverterSession::onHangup()
{
    lost_ = true;
    if (pending_) finish(SessionOutcome::of(SessionOutcome::Kind::PortLost));
    emit portGone();
}

void ConverterSession::finish(SessionOutcome outcome)
{
    limit_.stop();
    gap_.stop();
    if (written_ && outcome.unanswered()) {
        unanswered_.push_back(pending_->request.frame);
        sinceUnanswered_.start();
    }
    auto done = std::move(pending_->done);
    pending_.reset();
    written_ = false;
    done(outcome);
}

QString ConverterSession::reopen(uint32_t baudRate, TParity parity)
{
    Q_ASSERT(!pending_);
    port_.ClosePort();
    port_.SetBaudRate(baudRate);
    port_.SetParity(parity);
    try {
        port_.OpenPort();
    } catch (const ECommsError& e) {
        QString why = QString::fromLocal8Bit(e.what());
        if (!e.detail().empty()) why += u' ' + QString::fromLocal8Bit(e.detail().c_str());
        return why;
    }
    port_.SetReadIntervalTimeout(uint32_t(readIntervalMs()));
    lost_ = false; // open again: what went away has come back
    return {};
}
