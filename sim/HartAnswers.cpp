#include "sim/HartAnswers.h"

namespace HartAnswers {

HartInstrument levelInstrument()
{
    HartInstrument level;
    level.manufacturer = 0xE1; // the expanded device type 0xE1A5
    level.deviceType = 0xA5;
    level.manufacturerCode = 0x60A7;
    level.id = {0x00, 0xA1, 0xB2};
    level.pollAddress = 5;
    level.revision = 7;
    level.base = {3.2f, 18.0f, 12.5f, 64.0f};
    level.units = {45, 32, 43, 57}; // metres, degC, m3, percent
    level.tag = "LT-505";
    level.longTag = "Buffer tank level";
    return level;
}

QByteArray identity(const HartInstrument& device)
{
    QByteArray out;
    out.append(char(254));
    out.append(static_cast<char>(device.manufacturer));
    out.append(static_cast<char>(device.deviceType));
    out.append(static_cast<char>(device.requestPreambles));
    out.append(static_cast<char>(device.revision));
    out.append(QByteArray("\x01\x01\x08\x00", 4)); // device, software and hardware revisions; flags
    for (uint8_t b : device.id) out.append(static_cast<char>(b));
    if (device.revision >= 6) {
        // Reply preambles, device variables, configuration change counter, extended status.
        out.append(QByteArray("\x05\x04\x00\x01\x00", 5));
    }
    if (device.revision >= 7) {
        for (int twice = 0; twice < 2; ++twice) { // manufacturer, then the label's distributor
            out.append(static_cast<char>(device.manufacturerCode >> 8));
            out.append(static_cast<char>(device.manufacturerCode));
        }
        out.append(char(1)); // device profile: process automation
    }
    return out;
}

QByteArray packAscii(const QByteArray& text, int characters)
{
    QByteArray padded = text.left(characters).toUpper();
    padded.append(QByteArray(characters - padded.size(), ' '));
    QByteArray out;
    for (qsizetype i = 0; i < padded.size(); i += 4) {
        uint32_t group = 0;
        for (qsizetype k = 0; k < 4; ++k) group = group << 6 | (uint8_t(padded[i + k]) & 0x3F);
        out.append(static_cast<char>(group >> 16));
        out.append(static_cast<char>(group >> 8));
        out.append(static_cast<char>(group));
    }
    return out;
}

std::optional<QByteArray> answer(const HartInstrument& device, uint8_t command, double seconds)
{
    QByteArray out;
    switch (command) {
    case 1: { // primary variable
        out.append(static_cast<char>(device.units[0]));
        appendFloat(out, HartLoop::variables(device, seconds)[0]);
        return out;
    }
    case 2: { // loop current and percent of range (4 to 20 mA)
        const float current = HartLoop::loopCurrent(device, seconds);
        appendFloat(out, current);
        appendFloat(out, (current - 4.0f) / 16.0f * 100.0f);
        return out;
    }
    case 13: // tag, descriptor, date
        out = packAscii(device.tag, 8) + packAscii("STAND-IN", 16);
        out.append(QByteArray("\x09\x0C\x7E", 3)); // 9 December 2026
        return out;
    case 20: // long tag, from HART 6
        if (device.revision < 6) return std::nullopt;
        out = device.longTag.left(32);
        out.append(QByteArray(32 - out.size(), '\0'));
        return out;
    case 48: // additional status: device-specific bytes, then from HART 6 extended status,
             // operating mode and standardized status 0
        out = QByteArray(6, '\0');
        if (device.status & 0x10) out[0] = 0x01; // what "more status available" points to
        if (device.revision >= 6) out.append(QByteArray(3, '\0'));
        return out;
    default: return std::nullopt;
    }
}

} // namespace HartAnswers
