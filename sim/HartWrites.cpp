#include "sim/HartWrites.h"

#include "sim/HartBytes.h"

namespace HartWrites {

namespace {

constexpr uint8_t kConfigurationChanged = 0x40;

void noteChange(HartInstrument& device)
{
    device.status |= kConfigurationChanged;
    if (device.revision >= 6) ++device.configChangeCounter; // wraps at 65535, as the counter does
}

} // namespace

std::optional<HartAnswer> write(HartInstrument& device, uint8_t command, const QByteArray& request)
{
    int needed = 0;
    switch (command) {
    case 6: needed = 1; break;
    case 17: needed = 24; break;
    case 18: needed = 21; break;
    default: return std::nullopt;
    }
    if (request.size() < needed) return HartAnswer::refused(HartCode::kTooFewDataBytes);
    const QByteArray data = request.left(needed);

    switch (command) {
    case 6: // the polling address only; the loop current mode stays
        device.pollAddress = uint8_t(data[0]) & 0x3F;
        return HartAnswer{0, data};
    case 17:
        if (device.writeProtect == 1) return HartAnswer::refused(HartCode::kWriteProtected);
        device.message = unpackAscii(data);
        break;
    case 18:
        if (device.writeProtect == 1) return HartAnswer::refused(HartCode::kWriteProtected);
        device.tag = unpackAscii(data.left(6));
        device.descriptor = unpackAscii(data.mid(6, 12));
        device.date = {uint8_t(data[18]), uint8_t(data[19]), uint8_t(data[20])};
        break;
    }
    noteChange(device);
    return HartAnswer{0, data};
}

} // namespace HartWrites
