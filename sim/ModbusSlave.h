#pragma once

#include "sim/ConverterState.h"
#include "sim/HartLoop.h"

#include <QByteArray>
#include <array>
#include <cstdint>

// The converter's MODBUS RTU side: Read Holding Registers over the five slots' 50
// registers, each value in its slot's format.
class ModbusSlave {
public:
    static constexpr int kRegisters = 50;

    // The 50 registers as the converter would publish them at `seconds`.
    static std::array<uint16_t, kRegisters> registers(const ConverterState& state,
                                                      const HartLoop& loop, double seconds);
    // Two registers for one value in the given format code.
    static std::array<uint16_t, 2> encode(float value, int format);

    // The answer to one RTU frame; empty for a bad CRC or another slave's address.
    static QByteArray handle(const QByteArray& frame, const ConverterState& state,
                             const HartLoop& loop, double seconds);
};
