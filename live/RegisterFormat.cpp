#include "live/RegisterFormat.h"

#include <algorithm>
#include <bit>
#include <cmath>

namespace RegisterFormat {

int highest(int value) { return value == 0 ? 1 : value == 1 ? 3 : 4; }

namespace {

// The format's words in the order the registers hold them: codes 0 and 2 keep the most
// significant word first; 1, 3 and 4 swap the two words.
bool swapped(int format) { return format == 1 || format == 3 || format == 4; }

} // namespace

std::optional<double> decode(uint16_t first, uint16_t second, int format)
{
    const uint32_t bits = swapped(format) ? uint32_t(second) << 16 | first : uint32_t(first) << 16 | second;
    if (format == 2 || format == 3) return double(bits);
    const float value = std::bit_cast<float>(bits);
    if (!std::isfinite(value)) return std::nullopt;
    return format == 4 ? std::fabs(double(value)) : double(value);
}

std::array<uint16_t, 2> encode(double value, int format)
{
    uint32_t bits = 0;
    if (format == 2 || format == 3)
        bits = std::isnan(value) ? 0 : uint32_t(std::clamp(std::round(value), 0.0, 4294967295.0));
    else bits = std::bit_cast<uint32_t>(float(format == 4 ? std::fabs(value) : value));
    const uint16_t high = uint16_t(bits >> 16), low = uint16_t(bits);
    if (swapped(format)) return {low, high};
    return {high, low};
}

QString typeName(int format)
{
    if (format == 2 || format == 3) return QStringLiteral("uint32");
    if (format == 4) return QStringLiteral("float32 magnitude");
    return QStringLiteral("float32");
}

QString wordOrder(int format) { return swapped(format) ? QStringLiteral("CDAB") : QStringLiteral("ABCD"); }

} // namespace RegisterFormat
