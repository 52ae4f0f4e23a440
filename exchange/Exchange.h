#pragma once

#include "exchange/ExchangeTimer.h"
#include "exchange/ExchangeView.h"
#include "exchange/Messages.h"
#include "exchange/PortTraffic.h"
#include "tools/BuiltRequest.h"

#include <QByteArray>
#include <QDeadlineTimer>
#include <QObject>
#include <QTimer>
#include <array>
#include <cstdint>
#include <deque>
#include <functional>
#include <map>

class TComm;

// Pending command codes: which request awaits a reply.
namespace Code {
constexpr int None = 0;
constexpr int HartDeviceQuery = 100, HartCommandQuery = 103, HartManual = 104, HartPollAddress = 106;
constexpr int Set = 200, LinkCheck = 201, SystemQuery = 202;
constexpr int ModbusQuery = 301, ModbusTest = 302, MonitorQuery = 501;
} // namespace Code

// What a missing reply reports.
namespace TimeoutKind {
constexpr int None = 0, Connection = 1, ParameterQuery = 2, Set = 3;
}

// The one road between the pages and the converter: the send path, the receive handler,
// the reply-parse, timeout and auto-close timers, and the state they share. What it shows
// goes to a view (the window's Send and Receive Buffers) and to the message sink.
class Exchange : public PortTraffic {
    Q_OBJECT

public:
    // The shared byte area: scratch, transmit buffer, receive buffer.
    static constexpr int kAreaSize = 916;
    static constexpr int kTxStart = 8, kTxSize = 504;
    static constexpr int kRxStart = 512, kRxSize = 404;
    static constexpr int kTextLimit = 255;
    static constexpr int kSettleMs = 300; // the receive handler's wait before it handles a chunk
    // Chunks waiting out their settle time at most. A line at serial speed brings a few in
    // 300 ms; only a far end that floods fills the queue, and then the oldest give way.
    static constexpr size_t kSettlingLimit = 16;

    using Display = FrameDisplay;
    // How an exchange ended, for whoever runs requests one after another.
    enum class Outcome { Decoded, Answered, TimedOut, Abandoned };
    enum class TimeoutArm { Interval3000, EnableOnly };

    struct Request {
        QByteArray frame;
        Display display = Display::Text;
        int code = Code::Set;
        int timeoutKind = TimeoutKind::Set;
        TimeoutArm arm = TimeoutArm::Interval3000;
        bool autoClose = false; // the baud-rate requests close the port 2 s later
        // Whether the receive buffer answers this request (the frame sent). A reply to
        // another request (another key, slot or instrument) is shown but not decoded.
        // Without it every reply is decoded.
        using Answers = std::function<bool(const QByteArray& received, const QByteArray& request)>;
        Answers answers = nullptr;
        // Whether a reply that comes after the timeout was reported is still decoded (the
        // codes that stay set decode every later chunk). Otherwise it is shown in the
        // Receive Buffer and no field takes its values.
        bool decodeLateReply = true;
    };

    Exchange(TComm& comm, ExchangeView& view, MessageSink& messages, QObject* parent = nullptr);

    // Empties the Send Buffer and the Receive Buffer (the send path's first steps, which
    // some pages take before they convert their fields), and restarts the count of dropped
    // chunks.
    void clearBuffers();
    // The whole send path. A frame longer than the transmit buffer is refused with a
    // message and nothing else happens; returns whether the frame went on its way.
    bool send(const Request& request);
    // Sends what `build` makes of the page's controls under the request's code and kind.
    // An exception while the controls are read (the conversion error) empties the buffers
    // and ends the handler; a refusal is shown and changes nothing else.
    bool sendBuilt(const std::function<BuiltRequest()>& build, Request request);
    // Shows and writes a frame without opening an exchange (no buffers emptied, no code,
    // no timer).
    bool sendUntracked(const QByteArray& frame);

    void registerDecoder(int code, std::function<void()> decoder);

    // The component's OnReceiveData. The chunk is copied and handled kSettleMs later, in
    // arrival order, without holding up the event loop. When kSettlingLimit chunks already
    // wait, the oldest is dropped unhandled and counted.
    void Comm1ReceiveData(const uint8_t* buffer, uint16_t length);
    void Timer2Timer();
    void Timer3Timer();
    void Timer4Timer();
    void Button26Click();
    // Chunks dropped unhandled since the Receive Buffer was last emptied (by a request or by
    // Clear Buffer); the view is told of each.
    int droppedChunks() const { return dropped_; }
    // The port went away under the request in flight: it ends here, without a reply and
    // without the timeout message; chunks still settling are not handled.
    void abandonRequest();

    // While a converter session has the port, the exchange stands aside: the request in
    // flight is dropped without a word, its timers stop, and nothing is sent until it
    // resumes.
    void standAside();
    void resume();
    bool standingAside() const { return standingAside_; }

    // Shared state, read by the decoders and the port panel.
    const std::array<uint8_t, kAreaSize>& area() const { return area_; }
    std::array<uint8_t, kAreaSize>& area() { return area_; }
    const QByteArray& receivedText() const { return receivedText_; }
    // The last chunk as the receive buffer holds it: up to kRxSize bytes, more than the
    // received text's kTextLimit characters.
    QByteArray receiveBuffer() const
    {
        return QByteArray(reinterpret_cast<const char*>(area_.data()) + kRxStart, receivedCount_);
    }
    int pendingCode() const { return pendingCode_; }
    int timeoutKind() const { return timeoutKind_; }
    // How long the request in force waits for its reply: the timeout timer's interval, or
    // what was left of it when the timer still ran for an earlier request.
    int waitMs() const { return waitMs_; }
    // The timeout of the request in force was reported; what comes now is a late reply.
    bool timeoutReported() const { return timeoutReported_; }
    bool portOpen() const { return portOpen_; }
    void setPortOpen(bool open) { portOpen_ = open; }
    TComm& comm() { return comm_; }
    // Every message of the exchange and the pages goes through here; a batch run diverts
    // them for its own report.
    MessageRelay& messages() { return messages_; }

    ExchangeTimer Timer2{300};  // reply parse
    ExchangeTimer Timer3{1000}; // timeout
    ExchangeTimer Timer4{1000}; // auto-close

    // Shows the port panel closed (caption "Open", query disabled).
    std::function<void()> showPortClosed;

signals:
    void requestSent(); // an exchange began
    // The reply was decoded, a reply ended the exchange, the timeout struck, or the port
    // went away.
    void ended(Exchange::Outcome outcome);
    // A chunk of the request in force was shown (and armed for decoding) under this
    // pending command code; the receive buffer holds it.
    void chunkHandled(int code);
    // The request with this pending command code got no reply within waitMs(); emitted
    // before the timeout's message is shown.
    void timedOut(int code);

private:
    struct Chunk {
        uint64_t seq;
        uint64_t request; // the request in force when the chunk arrived
        QDeadlineTimer due; // when its settle time is over
        QByteArray bytes;
    };

    // The three timers in the order their due handlers run after a chunk.
    enum Due { ReplyParse, Timeout, AutoClose, DueCount };
    ExchangeTimer& timerFor(Due due);
    void runDue(Due due);
    void onDue(Due due);

    // Ends the request in force: no reply to it is handled, no timer of it fires.
    void dropRequest();
    void handleNextChunk();
    void armSettle();
    void countDropped(int dropped);
    void handleChunk(const QByteArray& chunk);
    bool writeFrame(const QByteArray& frame, Display display);

    TComm& comm_;
    ExchangeView& view_;
    MessageRelay messages_;
    bool standingAside_ = false;

    std::array<uint8_t, kAreaSize> area_{};
    QByteArray receivedText_;
    int receivedCount_ = 0; // bytes of the last chunk in the receive buffer
    int pendingCode_ = Code::None;
    int timeoutKind_ = TimeoutKind::None;
    bool portOpen_ = false;
    Request::Answers answers_; // the request in force's test of a reply
    QByteArray sentFrame_;     // and its frame
    bool decodeLateReply_ = true;
    bool timeoutReported_ = false;
    int waitMs_ = 0;

    std::map<int, std::function<void()>> decoders_;
    std::deque<Chunk> chunks_; // arrived, waiting out their settle time
    QTimer settle_;            // due when the oldest chunk's settle time is over
    int dropped_ = 0;
    uint64_t lastArrived_ = 0; // sequence number of the newest chunk
    uint64_t request_ = 0;     // counts the requests sent, so a late chunk can be told apart
    // A timer that fell due while chunks were waiting runs once the chunk with this
    // sequence number is handled (0: not held).
    std::array<uint64_t, DueCount> heldUntil_{};
};
