#include "cli/MonitorSummary.h"

#include "tools/Counted.h"

#include <algorithm>

namespace MonitorSummary {

QString sourceLine(const QString& name, const LiveStats& stats)
{
    const QString last =
        stats.lastResponseMs < 0 ? QStringLiteral("-") : QStringLiteral("%1 ms").arg(stats.lastResponseMs);
    return QStringLiteral("%1: %2, %3, %4, %5, %6, last response %7")
        .arg(name, counted(stats.requests, QStringLiteral("request")), counted(stats.answers, QStringLiteral("answer")),
             counted(stats.timeouts, QStringLiteral("timeout")), counted(stats.crcErrors, QStringLiteral("CRC error")),
             counted(stats.exceptions, QStringLiteral("exception")), last);
}

QString cyclesLine(int cycles, qint64 periodMs, qint64 lastCycleMs, int intervalMs)
{
    if (cycles <= 0 || lastCycleMs < 0)
        return QStringLiteral("no cycle ended (interval %1 ms)").arg(intervalMs);
    if (cycles == 1 || periodMs < 0)
        return QStringLiteral("%1 of %2 ms (interval %3 ms)")
            .arg(counted(cycles, QStringLiteral("cycle")))
            .arg(lastCycleMs)
            .arg(intervalMs);
    // A cycle that outlasts the interval stretches the period to its own length.
    return QStringLiteral("%1; period %2 ms (interval %3 ms, last cycle %4 ms)")
        .arg(counted(cycles, QStringLiteral("cycle")))
        .arg(std::max(periodMs, lastCycleMs))
        .arg(intervalMs)
        .arg(lastCycleMs);
}

} // namespace MonitorSummary
