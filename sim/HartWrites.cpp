#include "sim/HartWrites.h"

#include "sim/HartBytes.h"

#include <cmath>

namespace HartWrites {

namespace {

constexpr uint8_t kConfigurationChanged = 0x40, kLoopCurrentFixed = 0x08;

using Apply = HartAnswer (*)(HartInstrument&, const QByteArray&);

struct WriteCommand {
    uint8_t command;
    int fromRevision;
    int dataBytes;      // the fewest the command needs
    bool configuration; // an accepted write counts as a configuration change
    Apply apply;
};

bool isWarning(uint8_t code) { return code == HartCode::kSetToNearest || code == Code::kSpanTooSmall; }

// Unit codes 250 and up are "not used", "none", "unknown" and "special": no unit to set.
bool isUnit(uint8_t code) { return code > 0 && code < 250; }

HartAnswer pollingAddress(HartInstrument& d, const QByteArray& data)
{
    const uint8_t address = uint8_t(data[0]);
    // One byte, or a HART 5 instrument: the address decides, as older instruments did.
    const bool hart5 = d.revision < 6;
    const uint8_t mode = data.size() >= 2 && !hart5 ? uint8_t(data[1]) : address == 0 ? 1 : 0;
    if (address > (hart5 ? 15 : 63)) return HartAnswer::refused(HartCode::kInvalidSelection);
    if (mode > 1) return HartAnswer::refused(Code::kInvalidMode);
    d.pollAddress = address;
    d.loopCurrentMode = mode;
    QByteArray out(1, char(address));
    if (!hart5) out.append(char(mode));
    return {0, out};
}

HartAnswer message(HartInstrument& d, const QByteArray& data)
{
    d.message = unpackAscii(data.left(24));
    return {0, data.left(24)};
}

HartAnswer tagDescriptorDate(HartInstrument& d, const QByteArray& data)
{
    d.tag = unpackAscii(data.left(6));
    d.descriptor = unpackAscii(data.mid(6, 12));
    d.date = {uint8_t(data[18]), uint8_t(data[19]), uint8_t(data[20])};
    return {0, data.left(21)};
}

HartAnswer longTag(HartInstrument& d, const QByteArray& data)
{
    QByteArray text = data.left(32);
    while (text.endsWith('\0')) text.chop(1);
    d.longTag = text;
    return {0, data.left(32)};
}

HartAnswer damping(HartInstrument& d, const QByteArray& data)
{
    const float asked = floatAt(data, 0);
    if (!(asked >= 0)) return HartAnswer::refused(HartCode::kTooSmall); // negative, or not a number
    if (asked > kMostDamping) return HartAnswer::refused(HartCode::kTooLarge);
    // The filter runs in steps of a tenth of a second: anything between is set to the nearest.
    const float set = float(std::round(double(asked) * kDampingSteps) / kDampingSteps);
    d.damping = set;
    QByteArray out;
    appendFloat(out, set);
    return {set == asked ? uint8_t(0) : HartCode::kSetToNearest, out};
}

// The range is checked against the sensor's limits and minimum span only when it is written
// in the sensor's unit: the stand-in converts no units.
HartAnswer range(HartInstrument& d, const QByteArray& data)
{
    const uint8_t unit = uint8_t(data[0]);
    const float upper = floatAt(data, 1), lower = floatAt(data, 5);
    if (!isUnit(unit) || !std::isfinite(upper) || !std::isfinite(lower))
        return HartAnswer::refused(HartCode::kInvalidSelection);
    const bool sensorUnit = unit == d.sensorUnit;
    if (sensorUnit) {
        const bool lowerTooHigh = lower > d.upperSensorLimit, lowerTooLow = lower < d.lowerSensorLimit;
        const bool upperTooHigh = upper > d.upperSensorLimit, upperTooLow = upper < d.lowerSensorLimit;
        const bool lowerOut = lowerTooHigh || lowerTooLow, upperOut = upperTooHigh || upperTooLow;
        if (lowerOut && upperOut) return HartAnswer::refused(Code::kBothOutOfLimits);
        if (lowerTooHigh) return HartAnswer::refused(Code::kLowerTooHigh);
        if (lowerTooLow) return HartAnswer::refused(Code::kLowerTooLow);
        if (upperTooHigh) return HartAnswer::refused(Code::kUpperTooHigh);
        if (upperTooLow) return HartAnswer::refused(Code::kUpperTooLow);
    }
    if (!(upper > lower)) return HartAnswer::refused(Code::kInvalidSpan);
    d.rangeUnit = unit;
    d.upperRange = upper;
    d.lowerRange = lower;
    // Narrower than the sensor's minimum span is set, with a warning: accuracy may suffer.
    const bool narrow = sensorUnit && upper - lower < d.minimumSpan;
    return {narrow ? Code::kSpanTooSmall : uint8_t(0), data.left(9)};
}

// The PV's unit, which the range is given in too; the numbers are kept as they are.
HartAnswer pvUnit(HartInstrument& d, const QByteArray& data)
{
    const uint8_t unit = uint8_t(data[0]);
    if (!isUnit(unit)) return HartAnswer::refused(HartCode::kInvalidSelection);
    d.units[0] = unit;
    d.rangeUnit = unit;
    return {0, data.left(1)};
}

HartAnswer transferFunction(HartInstrument& d, const QByteArray& data)
{
    const uint8_t code = uint8_t(data[0]);
    if (code > 1) return HartAnswer::refused(HartCode::kInvalidSelection); // linear or square root
    d.transferFunction = code;
    return {0, data.left(1)};
}

// HART 7 takes the counter the host last read, and resets only when it is the instrument's;
// a request without it (an older host's) resets at once.
HartAnswer resetChanged(HartInstrument& d, const QByteArray& data)
{
    QByteArray counter;
    counter.append(static_cast<char>(d.configChangeCounter >> 8));
    counter.append(static_cast<char>(d.configChangeCounter));
    if (d.revision >= 7 && data.size() == 1) return HartAnswer::refused(HartCode::kTooFewDataBytes);
    if (d.revision >= 7 && data.size() >= 2 && data.left(2) != counter)
        return HartAnswer::refused(Code::kCounterMismatch);
    d.status &= uint8_t(~kConfigurationChanged);
    return {0, d.revision >= 7 ? counter : QByteArray()};
}

HartAnswer fixedCurrent(HartInstrument& d, const QByteArray& data)
{
    if (d.loopCurrentMode == 0) return HartAnswer::refused(Code::kLoopCurrentNotActive);
    const float asked = floatAt(data, 0);
    if (asked != 0) {
        if (!(asked >= kLeastFixedCurrent)) return HartAnswer::refused(HartCode::kTooSmall);
        if (asked > kMostFixedCurrent) return HartAnswer::refused(HartCode::kTooLarge);
    }
    d.fixedCurrent = asked;
    if (asked != 0) d.status |= kLoopCurrentFixed;
    else d.status &= uint8_t(~kLoopCurrentFixed);
    QByteArray out;
    appendFloat(out, asked);
    return {0, out};
}

constexpr WriteCommand kWrites[] = {
    {6, 5, 1, true, pollingAddress},     {17, 5, 24, true, message},
    {18, 5, 21, true, tagDescriptorDate}, {22, 6, 32, true, longTag},
    {34, 5, 4, true, damping},           {35, 5, 9, true, range},
    {38, 5, 0, false, resetChanged},     {40, 5, 4, false, fixedCurrent},
    {44, 5, 1, true, pvUnit},            {47, 5, 1, true, transferFunction},
};

} // namespace

std::optional<HartAnswer> write(HartInstrument& device, uint8_t command, const QByteArray& request)
{
    const WriteCommand* w = nullptr;
    for (const WriteCommand& c : kWrites)
        if (c.command == command && device.revision >= c.fromRevision) w = &c;
    if (!w) return std::nullopt;

    if (device.busyWrites > 0) {
        --device.busyWrites;
        return HartAnswer::refused(HartCode::kBusy);
    }
    if (request.size() < w->dataBytes) return HartAnswer::refused(HartCode::kTooFewDataBytes);
    if (device.writeProtect == 1) return HartAnswer::refused(HartCode::kWriteProtected);
    HartAnswer answer = w->apply(device, request);
    if (w->configuration && (answer.code == 0 || isWarning(answer.code))) {
        device.status |= kConfigurationChanged;
        if (device.revision >= 6) ++device.configChangeCounter; // wraps at 65535, as the counter does
    }
    return answer;
}

} // namespace HartWrites
