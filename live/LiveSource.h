#pragma once

#include "live/LiveTypes.h"
#include "session/ConverterSession.h"

#include <optional>
#include <vector>

// Something a live run polls once per cycle: a slot's registers, an instrument on the HART
// loop. It builds its requests, reads their outcomes and keeps the cycle's values; the
// sampler sends, times and counts.
class LiveSource {
public:
    // How one request ended, for the statistics.
    enum class Result { Answer, Exception, Garbled, TimedOut, PortLost };

    virtual ~LiveSource() = default;

    // "slot2", "hart1": the columns' prefix and the source's name in the statistics.
    virtual QString name() const = 0;
    // Its columns; a unit may become known once a reply has named it.
    virtual std::vector<LiveColumn> columns() const = 0;
    // Starts a cycle: every value empty until a reply fills it.
    virtual void begin() = 0;
    // The cycle's next request; nothing once the source is done for this cycle.
    virtual std::optional<SessionRequest> next() = 0;
    // The outcome of the request that next() gave last.
    virtual Result take(const SessionOutcome& outcome) = 0;
    // This cycle's values, one per column.
    virtual std::vector<LiveCell> cells() const = 0;
    // How the cycle's last request went, for a status column: "ok", "no answer", ...
    virtual QString status() const = 0;

    LiveStats stats;
};
