#pragma once

#include "live/LiveSource.h"

#include <QElapsedTimer>
#include <QObject>
#include <QTimer>
#include <memory>
#include <vector>

class ConverterSession;

// Polls its sources on a converter session, one cycle after another: each source's
// requests in turn, then one row with every source's values. A cycle starts an interval
// after the one before, or at once when that one took longer; the interval 0 polls as
// fast as the line allows. A missed or garbled reply leaves its cells empty for that
// cycle; nothing is carried over from the cycle before.
class LiveSampler : public QObject {
    Q_OBJECT

public:
    static constexpr int kMinIntervalMs = 100;
    static constexpr int kMaxIntervalMs = 3600 * 1000;
    // 0 or kMinIntervalMs to kMaxIntervalMs.
    static bool validInterval(qint64 ms) { return ms == 0 || (ms >= kMinIntervalMs && ms <= kMaxIntervalMs); }

    LiveSampler(ConverterSession& session, std::vector<std::unique_ptr<LiveSource>> sources,
                QObject* parent = nullptr);
    ~LiveSampler() override;

    void setInterval(int ms) { intervalMs_ = ms; }
    int interval() const { return intervalMs_; }
    // Stops by itself after this many cycles; 0 runs until stop().
    void setCount(int cycles) { count_ = cycles; }

    void start();
    // Ends the run once the cycle under way is over; its row is still reported. Without a
    // cycle under way the run ends at once (from the event loop).
    void stop();
    bool running() const { return running_; }

    // Every source's columns, in row order.
    std::vector<LiveColumn> columns() const;
    const std::vector<std::unique_ptr<LiveSource>>& sources() const { return sources_; }
    int cycles() const { return cycles_; }
    // Between the starts of the last two cycles, and how long the last cycle took; -1 before.
    qint64 periodMs() const { return periodMs_; }
    qint64 cycleMs() const { return cycleMs_; }

signals:
    void rowReady(const LiveRow& row);
    // The run is over: its count reached, stopped, or the port lost (`portLost`).
    void finished(bool portLost);

private:
    void beginCycle();
    void step();
    void onOutcome(const SessionOutcome& outcome);
    void endCycle();
    void finish();

    ConverterSession& session_;
    std::vector<std::unique_ptr<LiveSource>> sources_;
    int intervalMs_ = 1000;
    int count_ = 0;
    bool running_ = false;
    bool stopping_ = false;
    bool inCycle_ = false;
    size_t at_ = 0;
    int cycles_ = 0;
    QDateTime cycleTime_;
    QElapsedTimer sinceStart_;   // the run's clock
    qint64 cycleStartMs_ = -1;   // on that clock
    qint64 periodMs_ = -1, cycleMs_ = -1;
    QElapsedTimer sinceWritten_; // the pending request's last byte
    QTimer next_;
};
