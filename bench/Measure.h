#pragma once

#include <QString>
#include <functional>
#include <algorithm>
#include <chrono>
#include <vector>

using BenchClock = std::chrono::steady_clock;

inline double msSince(BenchClock::time_point t)
{
    return std::chrono::duration<double, std::milli>(BenchClock::now() - t).count();
}

inline QString ms(double v) { return QString::number(v, 'f', 2) + " ms"; }

// Median and 99th percentile of a sample, in its own unit.
struct Spread {
    double median = 0, p99 = 0;
};

inline Spread spread(std::vector<double> v)
{
    if (v.empty()) return {};
    std::sort(v.begin(), v.end());
    return {v[v.size() / 2], v[std::min(v.size() - 1, v.size() * 99 / 100)]};
}

// CPU seconds of this process (all threads).
double processCpu();
// Voluntary plus involuntary context switches of every thread but the main one.
long workerWakeups();

void printRow(const QString& figure, const QString& ours, const QString& peer, const QString& ratio,
              const QString& target);

// Runs the event loop until done() or the limit passes. The condition is looked at after
// every event and at least once a millisecond; timings are taken in the callbacks.
bool waitUntil(const std::function<bool()>& done, int limitMs = 5000);
// Runs the event loop for ms milliseconds.
void pause(int ms);
// Resident memory of this process now, in kB.
long residentKb();
