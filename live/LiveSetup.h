#pragma once

#include "live/LiveSource.h"
#include "live/RegisterFormat.h"

#include <memory>
#include <utility>
#include <vector>

// What a live run polls, as the window or the command line chose it.
struct LiveSetup {
    int slave = 1;
    std::vector<std::pair<int, RegisterFormat::SlotFormats>> deviceSlots; // slot and its formats
    std::vector<int> hart;                                          // polling addresses
    int intervalMs = 1000;

    // The slots first, then the instruments, in the order chosen.
    std::vector<std::unique_ptr<LiveSource>> sources() const;
    // The session's timing on a line of `baud`. A reply's time limit: a MODBUS slave
    // answers within milliseconds; a HART instrument, behind the converter and a 1200 baud
    // loop, may take over a second. Between MODBUS requests the line stays quiet for the
    // 3.5 characters RTU framing needs; with HART among them, at least kHartGapMs.
    static constexpr int kHartGapMs = 20;
    ConverterSession::Options sessionOptions(uint32_t baud) const;
};
