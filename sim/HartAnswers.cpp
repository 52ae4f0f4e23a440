#include "sim/HartAnswers.h"

#include "sim/HartLoop.h"

#include <algorithm>
#include <cmath>

namespace HartAnswers {

namespace {

constexpr uint8_t kNotUsed = 250;
constexpr uint8_t kBadConstant = 0x30; // bad, constant: a variable the instrument lacks
constexpr uint32_t kNotANumber = 0x7FA00000; // the NaN HART sends for a value there is none of
constexpr int kMostWithStatus = 8, kMostWithoutStatus = 4;

void appendNumber(QByteArray& out, uint32_t value, int size)
{
    for (int shift = 8 * (size - 1); shift >= 0; shift -= 8) out.append(static_cast<char>(value >> shift));
}

struct Reading {
    uint8_t unit;
    float value;
};

Reading valueOf(const HartInstrument& device, const DeviceVariable& v, double seconds)
{
    if (v.slot < 0 || v.slot > 3) return {v.unit, v.value};
    return {device.units[size_t(v.slot)], HartLoop::variables(device, seconds)[size_t(v.slot)]};
}

// Command 9: the extended status, then code, class, unit, value and status for each code
// asked; a code the instrument lacks gets a slot that says so. HART 7 adds a time stamp.
HartAnswer variablesWithStatus(const HartInstrument& device, const QByteArray& request, double seconds)
{
    if (request.isEmpty()) return HartAnswer::refused(HartCode::kTooFewDataBytes);
    QByteArray out(1, static_cast<char>(device.extendedStatus()));
    for (char asked : request.left(kMostWithStatus)) {
        const uint8_t code = uint8_t(asked);
        out.append(static_cast<char>(code));
        if (const DeviceVariable* v = device.variable(code)) {
            const Reading r = valueOf(device, *v, seconds);
            out.append(static_cast<char>(v->classification));
            out.append(static_cast<char>(r.unit));
            appendFloat(out, r.value);
            out.append(static_cast<char>(v->status));
        } else {
            out.append(char(0));
            out.append(static_cast<char>(kNotUsed));
            appendNumber(out, kNotANumber, 4);
            out.append(static_cast<char>(kBadConstant));
        }
    }
    if (device.revision >= 7) {
        // 1/32 ms since midnight, taking the stand-in's start as midnight.
        const double ticks = std::fmod(seconds, 86400.0) * 32000.0;
        appendNumber(out, uint32_t(ticks), 4);
    }
    return {0, out};
}

// Command 33: code, unit and value for each code asked, at most four.
HartAnswer variablesWithoutStatus(const HartInstrument& device, const QByteArray& request, double seconds)
{
    if (request.isEmpty()) return HartAnswer::refused(HartCode::kTooFewDataBytes);
    QByteArray out;
    for (char asked : request.left(kMostWithoutStatus)) {
        const DeviceVariable* v = device.variable(uint8_t(asked));
        if (!v) return HartAnswer::refused(HartCode::kInvalidSelection);
        const Reading r = valueOf(device, *v, seconds);
        out.append(asked);
        out.append(static_cast<char>(r.unit));
        appendFloat(out, r.value);
    }
    return {0, out};
}

QByteArray dynamicVariables(const HartInstrument& device, double seconds)
{
    QByteArray out;
    appendFloat(out, HartLoop::loopCurrent(device, seconds));
    const auto values = HartLoop::variables(device, seconds);
    for (size_t i = 0; i < 4; ++i) {
        out.append(static_cast<char>(device.units[i]));
        appendFloat(out, values[i]);
    }
    return out;
}

// Command 8 (classifications) or 50 (device variable codes) for PV, SV, TV and QV.
QByteArray behindDynamic(const HartInstrument& device, bool codes)
{
    QByteArray out;
    for (int slot = 0; slot < 4; ++slot) {
        const DeviceVariable* v = device.behind(slot);
        out.append(static_cast<char>(!v ? (codes ? kNotUsed : 0) : codes ? v->code : v->classification));
    }
    return out;
}

QByteArray output(const HartInstrument& device)
{
    QByteArray out;
    out.append(static_cast<char>(device.alarmSelection));
    out.append(static_cast<char>(device.transferFunction));
    out.append(static_cast<char>(device.rangeUnit));
    appendFloat(out, device.upperRange);
    appendFloat(out, device.lowerRange);
    appendFloat(out, device.damping);
    out.append(static_cast<char>(device.writeProtect));
    if (device.revision < 6) {
        out.append(static_cast<char>(device.manufacturer)); // HART 5: private label distributor
    } else {
        out.append(static_cast<char>(kNotUsed)); // reserved
        out.append(char(0));                     // analog channel flags: an output channel
    }
    return out;
}

QByteArray transducer(const HartInstrument& device)
{
    QByteArray out;
    appendNumber(out, device.sensorSerial, 3);
    out.append(static_cast<char>(device.sensorUnit));
    appendFloat(out, device.upperSensorLimit);
    appendFloat(out, device.lowerSensorLimit);
    appendFloat(out, device.minimumSpan);
    return out;
}

} // namespace

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
        int highest = 0;
        for (const DeviceVariable& v : device.deviceVariables) highest = std::max(highest, int(v.code));
        out.append(char(5)); // reply preambles
        out.append(static_cast<char>(highest));
        appendNumber(out, device.configChangeCounter, 2);
        out.append(static_cast<char>(device.extendedStatus()));
    }
    if (device.revision >= 7) {
        for (int twice = 0; twice < 2; ++twice) // manufacturer, then the label's distributor
            appendNumber(out, device.manufacturerCode, 2);
        out.append(char(1)); // device profile: process automation
    }
    return out;
}

std::optional<HartAnswer> read(const HartInstrument& device, uint8_t command, const QByteArray& request,
                               double seconds)
{
    const bool hart6 = device.revision >= 6;
    QByteArray out;
    switch (command) {
    case 0: return HartAnswer{0, identity(device)};
    case 1: // primary variable
        out.append(static_cast<char>(device.units[0]));
        appendFloat(out, HartLoop::variables(device, seconds)[0]);
        return HartAnswer{0, out};
    case 2: { // loop current and percent of range (4 to 20 mA)
        const float current = HartLoop::loopCurrent(device, seconds);
        appendFloat(out, current);
        appendFloat(out, (current - 4.0f) / 16.0f * 100.0f);
        return HartAnswer{0, out};
    }
    case 3: return HartAnswer{0, dynamicVariables(device, seconds)};
    case 7: // loop configuration
        if (!hart6) return std::nullopt;
        out.append(static_cast<char>(device.pollAddress));
        out.append(static_cast<char>(device.loopCurrentMode));
        return HartAnswer{0, out};
    case 8: return hart6 ? std::optional(HartAnswer{0, behindDynamic(device, false)}) : std::nullopt;
    case 9: return hart6 ? std::optional(variablesWithStatus(device, request, seconds)) : std::nullopt;
    case 12: return HartAnswer{0, packAscii(device.message, 32)};
    case 13: // tag, descriptor, date
        out = packAscii(device.tag, 8) + packAscii(device.descriptor, 16);
        for (uint8_t b : device.date) out.append(static_cast<char>(b));
        return HartAnswer{0, out};
    case 14: return HartAnswer{0, transducer(device)};
    case 15: return HartAnswer{0, output(device)};
    case 16:
        appendNumber(out, device.finalAssembly, 3);
        return HartAnswer{0, out};
    case 20: // long tag, Latin-1 padded with NULs
        if (!hart6) return std::nullopt;
        out = device.longTag.left(32);
        out.append(QByteArray(32 - out.size(), '\0'));
        return HartAnswer{0, out};
    case 33: return hart6 ? std::nullopt : std::optional(variablesWithoutStatus(device, request, seconds));
    case 48:
        out = device.additionalStatus;
        if (device.status & 0x10) out[0] = char(out[0] | 0x01); // what "more status available" points to
        return HartAnswer{0, out};
    case 50: return HartAnswer{0, behindDynamic(device, true)};
    default: return std::nullopt;
    }
}

} // namespace HartAnswers
