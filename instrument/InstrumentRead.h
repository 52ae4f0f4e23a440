#pragma once

#include "instrument/InstrumentSnapshot.h"
#include "pages/hart/HartStatus.h"
#include "session/ConverterSession.h"

#include <QObject>
#include <QString>
#include <functional>
#include <vector>

// Reads one instrument behind a converter in transparent mode the way a handheld does:
// command 0 at its polling address, then by its long address 7, 8, 12, 13, 14, 15, 16, 20,
// 48, 50 and the device variables (9, or 33 before HART 6), skipping what its HART
// revision does not have. Each request is tried once more after a time-out, a reply that
// cannot be read or a communication error; a refused or unimplemented command is noted
// and the reading goes on. Only reads. No widgets.
class InstrumentRead : public QObject {
    Q_OBJECT

public:
    struct Options {
        int pollingAddress = 0;       // 0 to 63
        int preambles = 5;            // as the frame builder takes it: preambles + 1 bytes of 0xFF
        uint8_t master = 0x80;        // primary master; 0x00 for a secondary one
        static constexpr int kWaitMs = 2000; // a reply's default time limit
    };

    enum class End {
        Completed, // command 0 answered; whatever else gave nothing is among the notes
        NoInstrument, // command 0 got no usable answer: see problem()
        Cancelled,
        PortLost,
    };

    // A request to the instrument `identity` names, by its long address, carrying at least
    // the preambles it asked for.
    static QByteArray longFrame(const InstrumentReplies::Identity& identity, const Options& options, uint8_t command,
                                const QByteArray& data = {});

    // The session's settings for reading instruments: `waitMs` for each reply, and the
    // pace the converter's HART relay needs between requests.
    static ConverterSession::Options sessionOptions(int waitMs, uint32_t baud);

    InstrumentRead(ConverterSession& session, Options options, QObject* parent = nullptr);

    void start();
    // Stops before the next request; the one under way ends within the session's time limit.
    void cancel();

    const InstrumentSnapshot& snapshot() const { return snapshot_; }
    // Why the reading ended without an instrument: "no answer from polling address 3".
    const QString& problem() const { return problem_; }

signals:
    // Before each request: its place among those planned so far, and what it reads.
    void progress(int step, int steps, const QString& what);
    // The status bytes of every reply, as they come.
    void replied(const HartStatus::Status& status);
    void finished(InstrumentRead::End end);

private:
    struct Step {
        uint8_t command;
        QString what;       // "PV output"
        QByteArray data;    // the request's data
        std::function<InstrumentReplies::Reading(const HartReply::Frame&)> read;
    };

    void plan();
    void next();
    void ask(int attempt);
    void onOutcome(const SessionOutcome& outcome, int attempt);
    void planVariables();
    void note(const Step& step, const QString& why);
    void finish(End end);

    ConverterSession& session_;
    Options options_;
    InstrumentSnapshot snapshot_;
    std::vector<Step> steps_;
    size_t at_ = 0;
    QString problem_;
    bool running_ = false;
    bool cancelled_ = false;
};
