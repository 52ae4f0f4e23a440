#pragma once

#include "exchange/ExchangeView.h"
#include "exchange/FieldUpdate.h"
#include "exchange/PortTraffic.h"
#include "serial/LineSettings.h"

#include <QByteArray>
#include <QElapsedTimer>
#include <QStringList>
#include <QTimer>
#include <cstdint>
#include <functional>
#include <optional>
#include <vector>

class TComm;

// One request of a batch, built by a codec: its bytes, how its reply is known to be
// complete, and how it is decoded.
struct SessionRequest {
    enum class Kind {
        Query, // complete when `missing` finds nothing left to wait for
        Set,   // complete at the first "#" after the reply's ":" (an "OK" or a refusal)
    };
    QByteArray frame;
    Kind kind = Kind::Query;
    FrameDisplay display = FrameDisplay::Text;
    // What the reply gathered so far still lacks, for its decoder to read it all ("BA1:",
    // "HART2:"); empty when the reply is complete.
    std::function<QStringList(const QByteArray& reply)> missing;
    // The reply's field updates; only called on a complete reply.
    std::function<Decoded(const QByteArray& reply)> decode;
    // Whether a complete reply can be read (its checksum holds); without it, every complete
    // reply can. One that cannot ends the request as Unreadable.
    std::function<bool(const QByteArray& reply)> readable;
};

// How one request ended.
struct SessionOutcome {
    enum class Kind {
        Decoded,      // a query's reply was complete and decoded
        Acknowledged, // a set request's "OK"
        Refused,      // a set request's reply without "OK", or with "ERR"
        MissingKeys,  // a query's reply came, but without everything in it by the time limit
        Unreadable,   // something came while it was out, but it cannot be read as its answer
        TimedOut,     // nothing came within the time limit, or only answers to other requests
        PortLost,     // the port went away, or was not open
    };
    Kind kind = Kind::TimedOut;
    // What was gathered that answers the request (not a late answer to another); for an
    // Unreadable outcome, what came.
    QByteArray reply;
    Decoded decoded;
    QStringList missing;

    static SessionOutcome of(Kind kind)
    {
        SessionOutcome outcome;
        outcome.kind = kind;
        return outcome;
    }
    bool ok() const { return kind == Kind::Decoded || kind == Kind::Acknowledged; }
    // The request ended without a whole answer, which may still be on its way.
    bool unanswered() const { return kind == Kind::MissingKeys || kind == Kind::Unreadable || kind == Kind::TimedOut; }
    // What went wrong, for a message after the setting's name: "no answer within 3 s".
    QString problem() const;
};

// Runs a batch of requests on a serial port that it is lent: its own on the command line,
// the window's while a whole-converter run is under way. For its lifetime it takes the
// port's receive and hang-up notifications and may shorten the port's read interval, so
// that a chunk is handed over soon after the line goes quiet; the destructor gives all of
// that back, leaving the port open at whatever speed the batch left it.
//
// A request ends as soon as its reply is complete, however many pieces it came in and
// whatever pauses lay between them, or at the time limit. Before the next request the line
// stays quiet for the gap RTU framing needs (3.5 characters), counted from the last byte
// heard.
//
// After a request that ended without its answer, the answer may still come, and nothing in
// a MODBUS answer (or in a HART answer to the same instrument and command) tells whose it
// is. So the next request waits until the line has been quiet for a whole time limit,
// counted again from every byte heard; what comes meanwhile is logged and dropped. Only a
// HART request that answerTo() keeps apart from the failed one goes after the usual gap.
class ConverterSession : public PortTraffic {
    Q_OBJECT

public:
    struct Options {
        // The line's quiet time before the port hands a chunk over, and before the next
        // request; kFromLine: 3.5 characters at the port's speed.
        int readIntervalMs = kFromLine;
        int quietGapMs = kFromLine;
        int limitMs = 3000;     // a reply's time limit
        int gatherLimit = 4096; // bytes gathered for one reply; the rest is dropped
    };
    static constexpr int kFromLine = -1;
    // 3.5 characters at `baud`, rounded up to whole milliseconds: the quiet that ends an RTU
    // frame, and the turnaround a half-duplex RS485 driver needs (4 ms at 9600 baud, 8N1).
    static int frameGapMs(uint32_t baud, double bitsPerCharacter = 11);

    ConverterSession(TComm& port, ExchangeView& view);
    ConverterSession(TComm& port, ExchangeView& view, Options options);
    ~ConverterSession() override;
    ConverterSession(const ConverterSession&) = delete;
    ConverterSession& operator=(const ConverterSession&) = delete;

    // Sends the request after the quiet gap; `done` is called once, from the event loop,
    // with its outcome. One request at a time: `done` may send the next.
    void send(SessionRequest request, std::function<void(const SessionOutcome&)> done);
    bool busy() const { return pending_.has_value(); }

    // Reopens the port at a new speed and parity (after the converter was told to change
    // them, or after it went away); empty on success, else why it could not.
    QString reopen(uint32_t baudRate, TParity parity);

    // Whether the port went away while it was lent and was not opened again; its owner
    // learns of it from here.
    bool portLost() const { return lost_; }
    TComm& port() { return port_; }
    const Options& options() const { return options_; }

signals:
    // The port went away, whether or not a request was under way.
    void portGone();

private:
    struct Pending {
        SessionRequest request;
        std::function<void(const SessionOutcome&)> done;
    };

    void write();
    // How much longer the line must stay quiet before the next request may go.
    qint64 quietStillNeeded() const;
    qint64 sinceLastByte() const;
    // Since the last unanswered request ended or a byte was heard, whichever came later.
    qint64 quietSinceUnanswered() const;
    int lineFrameGapMs() const; // frameGapMs() with the port's speed and character size
    int readIntervalMs() const;
    int quietGapMs() const;
    void onChunk(const uint8_t* data, uint16_t size);
    void onHangup();
    void onLimit();
    void finish(SessionOutcome outcome);

    TComm& port_;
    ExchangeView& view_;
    Options options_;

    // What the port had before it was lent.
    std::function<void(TComm*, const uint8_t*, uint16_t)> ownerReceive_;
    std::function<void(TComm*)> ownerHangup_;
    uint32_t ownerReadInterval_;

    std::optional<Pending> pending_;
    bool written_ = false; // the pending request's frame went out
    QByteArray gathered_;
    QTimer limit_;
    QTimer gap_;
    QElapsedTimer sinceHeard_; // since the last chunk arrived
    // Requests that ended unanswered since the line was last quiet for a whole time limit,
    // so that the next request can be told apart from them.
    std::vector<QByteArray> unanswered_;
    QElapsedTimer sinceUnanswered_; // since the last of them ended
    bool lost_ = false;
};
