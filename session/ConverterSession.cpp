#include "session/ConverterSession.h"

#include "pages/hart/HartReply.h"
#include "pages/system/QueryReply.h"
#include "pages/system/SystemCodec.h"
#include "serial/Comm.h"

#include <QtGlobal>
#include <algorithm>

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
    port_.SetReadIntervalTimeout(uint32_t(options_.readIntervalMs));
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

void ConverterSession::send(SessionRequest request, std::function<void(const SessionOutcome&)> done)
{
    Q_ASSERT(!pending_);
    pending_ = Pending{std::move(request), std::move(done)};
    written_ = false;
    gathered_.clear();
    const qint64 waited = sinceEnd_.isValid() ? sinceEnd_.elapsed() : options_.quietGapMs;
    // Through the event loop even without a gap, so that `done` never runs inside send().
    gap_.start(int(std::max<qint64>(0, options_.quietGapMs - waited)));
}

void ConverterSession::write()
{
    if (!pending_) return;
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
    const QByteArray chunk(reinterpret_cast<const char*>(data), size);
    emit chunkArrived(chunk);
    // A chunk between requests answers nothing that is asked: it is logged, never decoded.
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
    SessionOutcome outcome = SessionOutcome::of(SessionOutcome::Kind::Decoded);
    outcome.reply = own;
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
    // Bytes that answer another request are no answer to this one: with nothing else, the
    // request went unanswered.
    outcome.reply = set ? SystemCodec::setReplyFor(gathered_, r.frame).text : replyTo(gathered_, r.frame);
    if (outcome.reply.isEmpty()) {
        outcome.kind = SessionOutcome::Kind::TimedOut;
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
    sinceEnd_.start();
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
    return {};
}
