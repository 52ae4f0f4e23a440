#pragma once

#include "live/LiveTypes.h"

#include <QString>

// What a monitor run says on stderr when it ends.
namespace MonitorSummary {

// "hart1: 4 requests, 4 answers, 0 timeouts, 0 CRC errors, 0 exceptions, last response 35 ms"
QString sourceLine(const QString& name, const LiveStats& stats);

// The cycles run and their timing: the period only once two cycles have started (one
// cycle has no period), and no timing at all when no cycle ended. Times below 0 are
// "not measured", as the sampler keeps them.
QString cyclesLine(int cycles, qint64 periodMs, qint64 lastCycleMs, int intervalMs);

} // namespace MonitorSummary
