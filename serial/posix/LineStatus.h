#pragma once

#include <cstdint>

struct PortContext;

// Line errors and modem-line changes, as the driver's interrupt counters show them.
// Drivers without counters (pseudo-terminals) report nothing.
class LineStatus {
public:
    // Error flags in the values hosts of serial converters know from other platforms.
    static constexpr uint32_t kRxOver = 0x1, kOverrun = 0x2, kRxParity = 0x4, kFrame = 0x8,
                              kBreak = 0x10;
    static constexpr uint32_t kCarrierChange = 8, kRing = 4;

    struct Counters {
        int frame = 0, overrun = 0, parity = 0, brk = 0, bufOverrun = 0, dcd = 0, rng = 0;
    };

    // Line errors or modem-line changes: each is watched by its own thread.
    enum class Watch { Errors, ModemLines };

    LineStatus(int fd, Watch watch);
    bool supported() const { return supported_; }

    // Posts a receive-error or modem-change notification for what changed since the last
    // look.
    void report(const PortContext& ctx);

    // The two notification values for a change of counters (pure, for testing).
    static uint32_t errorFlags(const Counters& before, const Counters& after);
    static uint32_t modemEvent(const Counters& before, const Counters& after);

private:
    bool read(Counters& out) const;

    int fd_;
    Watch watch_;
    bool supported_;
    Counters last_;
};
