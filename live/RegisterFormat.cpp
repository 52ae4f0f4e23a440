#include "live/RegisterFormat.h"

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

} // namespace RegisterFormat
