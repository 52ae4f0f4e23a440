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
};

// How one request ended.
struct SessionOutcome {
    enum class Kind {
        Decoded,      // a query's reply was complete and decoded
        Acknowledged, // a set request's "OK"
        Refused,      // a set request's reply without "OK", or with "ERR"
        MissingKeys,  // a query's reply came, but without everything in it by the time limit
        TimedOut,     // nothing that answers it came within the time limit
        PortLost,     // the port went away, or was not open
    };
    Kind kind = Kind::TimedOut;
    QByteArray reply; // what was gathered that answers the request (not a late answer to another)
    Decoded decoded;
    QStringList missing;

    static SessionOutcome of(Kind kind)
    {
        SessionOutcome outcome;
        outcome.kind = kind;
        return outcome;
    }
    bool ok() const { return kind == Kind::Decoded || kind == Kind::Acknowledged; }
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
// whatever pauses lay between them, or at the time limit. A quiet gap separates one
// request's end from the next request.
class ConverterSession : public PortTraffic {
    Q_OBJECT

public:
    struct Options {
        int readIntervalMs = 10;  // the port's quiet time before it hands a chunk over
        int quietGapMs = 20;      // between a request's end and the next request
        int limitMs = 3000;       // a reply's time limit
        int gatherLimit = 4096;   // bytes gathered for one reply; the rest is dropped
    };

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
    // them); empty on success, else why it could not.
    QString reopen(uint32_t baudRate, TParity parity);

    // Whether the port went away while it was lent; its owner learns of it from here.
    bool portLost() const { return lost_; }
    TComm& port() { return port_; }

signals:
    // The port went away, whether or not a request was under way.
    void portGone();

private:
    struct Pending {
        SessionRequest request;
        std::function<void(const SessionOutcome&)> done;
    };

    void write();
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
    QElapsedTimer sinceEnd_; // since the last request ended
    bool lost_ = false;
};
