#include "live/LiveSetup.h"

#include "live/HartSource.h"
#include "live/ModbusSource.h"

std::vector<std::unique_ptr<LiveSource>> LiveSetup::sources() const
{
    std::vector<std::unique_ptr<LiveSource>> out;
    for (const auto& [slot, formats] : deviceSlots) out.push_back(std::make_unique<ModbusSource>(slave, slot, formats));
    for (int address : hart) out.push_back(std::make_unique<HartSource>(address));
    return out;
}

ConverterSession::Options LiveSetup::sessionOptions() const
{
    ConverterSession::Options options;
    options.limitMs = hart.empty() ? 1000 : 2000;
    return options;
}
