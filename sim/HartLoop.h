#pragma once

#include "sim/HartBytes.h"
#include "sim/HartInstrument.h"

#include <QByteArray>
#include <array>
#include <cstdint>
#include <vector>

// A simulated HART loop: instruments that answer master frames the way field devices do.
class HartLoop {
public:
    HartLoop(); // four instruments at polling addresses 0, 1, 2 and 5

    // The instrument at a polling address, or null.
    HartInstrument* at(int pollAddress);

    // Answers one master frame (preamble included) at `seconds` into the run; a frame that
    // is malformed, fails its checksum or addresses nobody gets no answer (empty).
    QByteArray handle(const QByteArray& frame, double seconds);

    // The four dynamic variables and loop current of an instrument, drifting slowly (the
    // current stays where command 40 fixed it, while it is fixed).
    static std::array<float, 4> variables(const HartInstrument& instrument, double seconds);
    static float loopCurrent(const HartInstrument& instrument, double seconds);

    std::vector<HartInstrument> instruments;

private:
    QByteArray reply(const HartInstrument& device, const QByteArray& address, uint8_t command,
                     const QByteArray& data, uint8_t responseCode, bool longFrame) const;
};
