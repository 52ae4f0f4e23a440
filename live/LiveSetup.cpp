#include "live/LiveSetup.h"

#include "live/HartSource.h"
#include "live/ModbusSource.h"

#include <algorithm>

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
    // The converter relays HART frames to a 1200 baud loop; between them it gets the pace
    // it always had.
    if (!hart.empty()) options.quietGapMs = std::max(kHartGapMs, ConverterSession::frameGapMs(baud));
    return options;
}
