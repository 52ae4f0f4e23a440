#include "exchange/Exchange.h"

#include "exchange/Messages.h"
#include "serial/Comm.h"
#include "tools/HexText.h"

#include <QTimer>
#include <algorithm>
#include <optional>

Exchange::Exchange(TComm& comm, ExchangeView& view, MessageSink& messages, QObject* parent)
    : PortTraffic(parent), comm_(comm), view_(view), messages_(messages)
{
    Timer2.onTimer = [this] { onDue(ReplyParse); };
    Timer3.onTimer = [this] { onDue(Timeout); };
    Timer4.onTimer = [this] { onDue(AutoClose); };
    settle_.setSingleShot(true);
    settle_.setTimerType(Qt::PreciseTimer);
    connect(&settle_, &QTimer::timeout, this, &Exchange::handleNextChunk);
}

ExchangeTimer& Exchange::timerFor(Due due)
{
    return due == ReplyParse ? Timer2 : due == Timeout ? Timer3 : Timer4;
}

void Exchange::runDue(Due due)
{
    runHandler(messages_, [this, due] {
        if (due == ReplyParse) Timer2Timer();
        else if (due == Timeout) Timer3Timer();
        else Timer4Timer();
    });
}

void Exchange::onDue(Due due)
{
    // Chunks that arrived before the timer fired are handled first, as their
    // notifications would have been: a reply that came before the deadline is never
    // reported missing, and the reply-parse sees the latest chunk.
    if (!chunks_.empty()) {
        if (!heldUntil_[due]) heldUntil_[due] = lastArrived_; // a repeat firing keeps the hold
        return;
    }
    runDue(due);
}

void Exchange::clearBuffers()
{
    view_.showSent(QString());
    view_.showReceived(QString());
    countDropped(0);
}

void Exchange::countDropped(int dropped)
{
    if (dropped == dropped_) return;
    dropped_ = dropped;
    view_.showDropped(dropped_);
}

bool Exchange::writeFrame(const QByteArray& frame, Display display)
{
    if (frame.size() > kTxSize) {
        messages_.inform(QStringLiteral("The request is %1 bytes long, more than the %2 bytes "
                                        "the transmit buffer holds. Nothing was sent.")
                             .arg(frame.size())
                             .arg(kTxSize));
        return false;
    }
    if (standingAside_) {
        messages_.inform(QStringLiteral("The port is busy with a run over the whole converter. Nothing was sent."));
        return false;
    }
    std::copy(frame.begin(), frame.end(), area_.begin() + kTxStart);
    view_.showSent(displayed(frame, display));
    // With the port closed the write is refused; the exchange goes on and times out.
    if (comm_.SendBytes(frame.constData(), static_cast<uint16_t>(frame.size()))) emit frameWritten(frame);
    return true;
}

bool Exchange::send(const Request& request)
{
    clearBuffers();
    if (!writeFrame(request.frame, request.display)) return false;
    // Whatever answered the previous request is no longer parsed, and a timeout that fell
    // due while its reply was settling is not reported: the new request has its own wait.
    ++request_;
    Timer2.setEnabled(false);
    heldUntil_[ReplyParse] = heldUntil_[Timeout] = 0;
    pendingCode_ = request.code;
    timeoutKind_ = request.timeoutKind;
    answers_ = request.answers;
    sentFrame_ = request.frame;
    decodeLateReply_ = request.decodeLateReply;
    timeoutReported_ = false;
    if (request.arm == TimeoutArm::Interval3000) Timer3.setInterval(3000);
    Timer3.setEnabled(true);
    waitMs_ = Timer3.remainingMs(); // an earlier request's deadline may still be in force
    if (request.autoClose) {
        Timer4.setInterval(2000);
        Timer4.setEnabled(true);
    }
    emit requestSent();
    return true;
}

bool Exchange::sendBuilt(const std::function<BuiltRequest()>& build, Request request)
{
    std::optional<BuiltRequest> built;
    try {
        built.emplace(build());
    } catch (...) {
        clearBuffers();
        throw;
    }
    if (!built->ok()) {
        messages_.inform(built->refusal);
        return false;
    }
    request.frame = built->bytes;
    return send(request);
}

bool Exchange::sendUntracked(const QByteArray& frame) { return writeFrame(frame, Display::Text); }

void Exchange::registerDecoder(int code, std::function<void()> decoder)
{
    decoders_[code] = std::move(decoder);
}

void Exchange::Comm1ReceiveData(const uint8_t* buffer, uint16_t length)
{
    chunks_.push_back({++lastArrived_, request_, QDeadlineTimer(kSettleMs, Qt::PreciseTimer),
                       QByteArray(reinterpret_cast<const char*>(buffer), length)});
    emit chunkArrived(chunks_.back().bytes);
    if (chunks_.size() > kSettlingLimit) {
        // Chunks come faster than they settle: the oldest gives way, so that what is shown
        // and decoded last is still the latest, and the event loop's work stays bounded. A
        // timer held for it is released by the newer chunks, which all stay.
        chunks_.pop_front();
        countDropped(dropped_ + 1);
    }
    if (!settle_.isActive()) armSettle();
}

void Exchange::armSettle()
{
    if (!chunks_.empty()) settle_.start(int(chunks_.front().due.remainingTime()));
}

void Exchange::handleNextChunk()
{
    if (chunks_.empty()) return;
    // The chunk the timer was set for may have given way to a younger one.
    if (!chunks_.front().due.hasExpired()) return armSettle();
    const Chunk chunk = std::move(chunks_.front());
    chunks_.pop_front();
    // A chunk that arrived before the current request was sent answers an earlier one: it
    // must not fill the new request's buffers, stop its timeout or be decoded as its reply.
    if (chunk.request == request_) runHandler(messages_, [&] { handleChunk(chunk.bytes); });
    for (int d = 0; d < DueCount; ++d) {
        const Due due = Due(d);
        if (!heldUntil_[due] || chunk.seq < heldUntil_[due]) continue;
        heldUntil_[due] = 0;
        if (timerFor(due).enabled()) runDue(due); // the chunk may have stopped it
    }
    if (!settle_.isActive()) armSettle();
}

void Exchange::handleChunk(const QByteArray& chunk)
{
    // The receive buffer keeps at most its own size of a chunk; the text its first 255.
    const int stored = std::min<int>(chunk.size(), kRxSize);
    std::copy(chunk.begin(), chunk.begin() + stored, area_.begin() + kRxStart);
    receivedCount_ = stored;
    receivedText_ = chunk.left(kTextLimit);
    const int code = pendingCode_;

    switch (pendingCode_) {
    case Code::LinkCheck:
    case Code::SystemQuery:
    case Code::ModbusQuery:
    case Code::MonitorQuery:
        Timer2.setEnabled(true);
        Timer3.setEnabled(false);
        view_.showReceived(QString::fromLatin1(receivedText_));
        break;
    case Code::HartDeviceQuery:
    case Code::HartCommandQuery:
        view_.showReceived(hexDisplay(receivedText_));
        Timer3.setEnabled(false);
        Timer2.setEnabled(true);
        break;
    case Code::HartManual:
    case Code::HartPollAddress:
    case Code::ModbusTest:
        view_.showReceived(hexDisplay(receivedText_));
        Timer3.setEnabled(false);
        break;
    default: {
        view_.showReceived(QString::fromLatin1(receivedText_));
        const bool wasOpen = pendingCode_ != Code::None;
        pendingCode_ = Code::None;
        Timer3.setEnabled(false);
        if (wasOpen) emit ended(Outcome::Answered);
        break;
    }
    }
    emit chunkHandled(code);
}

void Exchange::Timer2Timer()
{
    Timer2.setEnabled(false);
    const int code = pendingCode_;
    switch (code) {
    case Code::HartDeviceQuery:
    case Code::HartCommandQuery:
        pendingCode_ = Code::None;
        Timer3.setEnabled(false);
        break;
    case Code::LinkCheck:
        pendingCode_ = Code::None;
        timeoutKind_ = TimeoutKind::None;
        break;
    case Code::SystemQuery:
    case Code::ModbusQuery:
    case Code::MonitorQuery: break; // these codes stay: later chunks are decoded again
    default: return;
    }
    // A reply after its timeout was reported stays in the Receive Buffer, unread, where the
    // request asks so: the user has been told there was no answer. The exchange has ended.
    if (timeoutReported_ && !decodeLateReply_) return;
    // A reply to another request stays in the Receive Buffer, and no field takes its values.
    if (answers_ && !answers_(receiveBuffer(), sentFrame_)) {
        emit ended(Outcome::Answered);
        return;
    }
    if (const auto decoder = decoders_.find(code); decoder != decoders_.end()) decoder->second();
    emit ended(Outcome::Decoded);
}

void Exchange::Timer3Timer()
{
    Timer3.setEnabled(false);
    if (timeoutKind_ != TimeoutKind::Connection && timeoutKind_ != TimeoutKind::ParameterQuery &&
        timeoutKind_ != TimeoutKind::Set)
        return; // no kind, nothing shown
    timeoutReported_ = true;
    emit timedOut(pendingCode_);
    switch (timeoutKind_) {
    case TimeoutKind::Connection: messages_.inform(QStringLiteral("Connection timed out!")); break;
    case TimeoutKind::ParameterQuery:
        view_.showStatus(QString());
        messages_.inform(QStringLiteral("Parameter Query Timeout!"));
        break;
    case TimeoutKind::Set:
        view_.showStatus(QStringLiteral("Set timeout"));
        messages_.inform(QStringLiteral("!"));
        break;
    }
    Timer3.setEnabled(false); // again, once the box is closed
    emit ended(Outcome::TimedOut);
}

void Exchange::Timer4Timer()
{
    Timer4.setEnabled(false);
    portOpen_ = false;
    if (showPortClosed) showPortClosed();
    comm_.ClosePort();
}

void Exchange::dropRequest()
{
    ++request_;
    pendingCode_ = Code::None;
    timeoutKind_ = TimeoutKind::None;
    answers_ = nullptr;
    timeoutReported_ = false;
    for (ExchangeTimer* timer : {&Timer2, &Timer3, &Timer4}) timer->setEnabled(false);
    heldUntil_.fill(0);
}

void Exchange::abandonRequest()
{
    dropRequest();
    emit ended(Outcome::Abandoned);
}

void Exchange::standAside()
{
    dropRequest();
    standingAside_ = true;
}

void Exchange::resume() { standingAside_ = false; }

void Exchange::Button26Click()
{
    view_.showReceived(QString());
    countDropped(0);
}
