#include "live/NumberText.h"

#include <charconv>
#include <cmath>

QString numberText(double value)
{
    char buffer[64];
    const float single = float(value);
    const auto written = std::isfinite(value) && double(single) == value
                             ? std::to_chars(buffer, buffer + sizeof buffer, single)
                             : std::to_chars(buffer, buffer + sizeof buffer, value);
    return QString::fromLatin1(buffer, written.ptr - buffer);
}
