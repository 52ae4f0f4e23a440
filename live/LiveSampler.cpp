#include "live/LiveSampler.h"

#include "session/ConverterSession.h"

#include <algorithm>

LiveSampler::LiveSampler(ConverterSession& session, std::vector<std::unique_ptr<LiveSource>> sources,
                         QObject* parent)
    : QObject(parent), session_(session), sources_(std::move(sources))
{
    next_.setSingleShot(true);
    next_.setTimerType(Qt::PreciseTimer);
    connect(&next_, &QTimer::timeout, this, &LiveSampler::beginCycle);
    // A reply's time is counted from the request's last byte, not from the quiet gap before it.
    connect(&session_, &PortTraffic::frameWritten, this, [this] { sinceWritten_.start(); });
    // Between cycles nothing else would notice; within one, the request's outcome does.
    connect(&session_, &ConverterSession::portGone, this, [this] {
        if (running_ && !inCycle_) QTimer::singleShot(0, this, &LiveSampler::finish);
    });
}

LiveSampler::~LiveSampler() = default;

std::vector<LiveColumn> LiveSampler::columns() const
{
    std::vector<LiveColumn> out;
    for (const auto& s : sources_)
        for (LiveColumn& c : s->columns()) out.push_back(std::move(c));
    return out;
}

void LiveSampler::start()
{
    if (running_) return;
    running_ = true;
    stopping_ = false;
    cycles_ = 0;
    periodMs_ = cycleMs_ = cycleStartMs_ = -1;
    for (auto& s : sources_) s->stats = {};
    sinceStart_.start();
    next_.start(0);
}

void LiveSampler::stop()
{
    if (!running_) return;
    stopping_ = true;
    if (!inCycle_) {
        next_.stop();
        QTimer::singleShot(0, this, &LiveSampler::finish);
    }
}

void LiveSampler::beginCycle()
{
    if (!running_ || stopping_) return;
    if (session_.portLost()) return finish();
    const qint64 now = sinceStart_.elapsed();
    if (cycleStartMs_ >= 0) periodMs_ = now - cycleStartMs_;
    cycleStartMs_ = now;
    cycleTime_ = QDateTime::currentDateTimeUtc();
    inCycle_ = true;
    at_ = 0;
    for (auto& s : sources_) s->begin();
    step();
}

void LiveSampler::step()
{
    // After a lost port nothing more is sent; the cycle ends with what it has.
    for (; at_ < sources_.size() && !session_.portLost(); ++at_) {
        if (auto request = sources_[at_]->next()) {
            sinceWritten_.invalidate();
            session_.send(std::move(*request), [this](const SessionOutcome& o) { onOutcome(o); });
            return;
        }
    }
    endCycle();
}

void LiveSampler::onOutcome(const SessionOutcome& outcome)
{
    LiveSource& source = *sources_[at_];
    LiveStats& stats = source.stats;
    ++stats.requests;
    switch (source.take(outcome)) {
    case LiveSource::Result::Exception: ++stats.exceptions; [[fallthrough]];
    case LiveSource::Result::Answer:
        ++stats.answers;
        if (sinceWritten_.isValid()) stats.lastResponseMs = int(sinceWritten_.elapsed());
        break;
    case LiveSource::Result::Garbled: ++stats.crcErrors; break;
    case LiveSource::Result::TimedOut: ++stats.timeouts; break;
    case LiveSource::Result::PortLost: break;
    }
    step();
}

void LiveSampler::endCycle()
{
    inCycle_ = false;
    cycleMs_ = sinceStart_.elapsed() - cycleStartMs_;
    ++cycles_;
    LiveRow row{cycleTime_, {}};
    for (const auto& s : sources_)
        for (LiveCell& c : s->cells()) row.cells.push_back(std::move(c));
    emit rowReady(row);
    if (stopping_ || session_.portLost() || (count_ > 0 && cycles_ >= count_)) {
        // Through the event loop: the session is still on the call stack.
        QTimer::singleShot(0, this, &LiveSampler::finish);
        return;
    }
    const qint64 due = cycleStartMs_ + intervalMs_;
    next_.start(int(std::max<qint64>(0, due - sinceStart_.elapsed())));
}

void LiveSampler::finish()
{
    if (!running_) return;
    running_ = false;
    inCycle_ = false;
    next_.stop();
    emit finished(session_.portLost());
}
