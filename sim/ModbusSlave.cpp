#include "sim/ModbusSlave.h"

#include "tools/Crc16.h"
#include "tools/ModbusTest.h"

#include <bit>
#include <cmath>

namespace {

QByteArray exception(uint8_t slave, uint8_t function, uint8_t code)
{
    QByteArray out;
    out.append(static_cast<char>(slave));
    out.append(static_cast<char>(function | 0x80));
    out.append(static_cast<char>(code));
    return withModbusCrc(out);
}

} // namespace

std::array<uint16_t, 2> ModbusSlave::encode(float value, int format)
{
    uint32_t bits = 0;
    switch (format) {
    case 0:
    case 1: bits = std::bit_cast<uint32_t>(value); break;
    case 2:
    case 3: bits = value <= 0 ? 0u : uint32_t(std::lround(value)); break;
    default: bits = std::bit_cast<uint32_t>(std::fabs(value)); break; // the float's magnitude
    }
    const uint16_t high = uint16_t(bits >> 16), low = uint16_t(bits & 0xFFFF);
    // Codes 0 and 2 keep the most significant word first; 1, 3 and 4 swap the words.
    if (format == 0 || format == 2) return {high, low};
    return {low, high};
}

std::array<uint16_t, ModbusSlave::kRegisters>
ModbusSlave::registers(const ConverterState& state, const HartLoop& loop, double seconds)
{
    std::array<uint16_t, kRegisters> regs{};
    for (size_t slot = 0; slot < 5; ++slot) {
        const DeviceSlot& d = state.devices[slot];
        if (!d.enabled) continue;
        const HartInstrument* device = nullptr;
        for (const HartInstrument& i : loop.instruments)
            if (i.pollAddress == slot) device = &i;
        if (!device) continue;
        const auto vars = HartLoop::variables(*device, seconds);
        const float values[5] = {HartLoop::loopCurrent(*device, seconds), vars[0], vars[1],
                                 vars[2], vars[3]};
        for (size_t v = 0; v < 5; ++v) {
            const auto pair = encode(values[v], d.formats[v]);
            regs[slot * 10 + v * 2] = pair[0];
            regs[slot * 10 + v * 2 + 1] = pair[1];
        }
    }
    return regs;
}

QByteArray ModbusSlave::handle(const QByteArray& frame, const ConverterState& state,
                               const HartLoop& loop, double seconds)
{
    if (frame.size() < 4) return {};
    const Crc16Bytes crc =
        crc16Modbus(reinterpret_cast<const uint8_t*>(frame.constData()), size_t(frame.size() - 2));
    if (uint8_t(frame[frame.size() - 2]) != crc.low || uint8_t(frame[frame.size() - 1]) != crc.high)
        return {};
    const uint8_t slave = uint8_t(frame[0]);
    if (slave != state.address) return {};
    const uint8_t function = uint8_t(frame[1]);
    if (function != 0x03) return exception(slave, function, 0x01);
    if (frame.size() != 8) return exception(slave, function, 0x03);
    const int start = uint8_t(frame[2]) << 8 | uint8_t(frame[3]);
    const int count = uint8_t(frame[4]) << 8 | uint8_t(frame[5]);
    if (count < 1 || count > 125 || start + count > kRegisters) return exception(slave, function, 0x02);

    const auto regs = registers(state, loop, seconds);
    QByteArray out;
    out.append(static_cast<char>(slave));
    out.append(static_cast<char>(function));
    out.append(static_cast<char>(count * 2));
    for (int r = start; r < start + count; ++r) {
        out.append(static_cast<char>(regs[size_t(r)] >> 8));
        out.append(static_cast<char>(regs[size_t(r)] & 0xFF));
    }
    return withModbusCrc(out);
}
