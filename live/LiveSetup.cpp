#include "live/LiveSetup.h"

#include "live/HartSource.h"
#include "live/ModbusSource.h"

#include <algorithm>
#include <cmath>

std::vector<std::unique_ptr<LiveSource>> LiveSetup::sources() const
{
    std::vector<std::unique_ptr<LiveSource>> out;
    for (const auto& [slot, formats] : deviceSlots) out.push_back(std::make_unique<ModbusSource>(slave, slot, formats));
    for (int address : hart) out.push_back(std::make_unique<HartSource>(address));
    return out;
}

ConverterSession::Options LiveSetup::sessionOptions(uint32_t baud) const
{
    ConverterSession::Options options;
    options.limitMs = hart.empty() ? 1000 : 2000;
    // 3.5 characters of 11 bits, rounded up, and a millisecond for the timer's grain.
    const int frameGap = int(std::ceil(3.5 * 11 * 1000 / std::max<uint32_t>(baud, 1))) + 1;
    options.quietGapMs = hart.empty() ? frameGap : std::max(options.quietGapMs, frameGap);
    // A reply is handed over once the line has been quiet that long; the session puts the
    // pieces together, so a shorter wait only shortens the cycle.
    options.readIntervalMs = std::min(options.readIntervalMs, frameGap);
    return options;
}
