#include "tools/Ieee754.h"

#include "tools/FloatText.h"
#include "tools/HexPairs.h"

#include <cstdint>

std::variant<QString, CalculatorMessage> ieee754Calculate(const QString& input, QChar point)
{
    const qsizetype pairs = input.size() / 3;
    for (qsizetype i = 0; i < pairs; ++i)
        if (input[3 * i + 2] != u' ')
            return CalculatorMessage{QStringLiteral("Input data contains no spaces")};

    // One more pair than separators: a text of 3k-1 characters holds k pairs exactly.
    auto nibble = [&](qsizetype at) { return at < input.size() ? hexDigitValue(input[at]) : -1; };
    uint8_t bytes[4] = {0, 0, 0, 0};
    bool valid = true;
    for (qsizetype i = 0; i <= pairs; ++i) {
        const int high = nibble(3 * i), low = nibble(3 * i + 1);
        if (high < 0 || low < 0) {
            valid = false;
            continue;
        }
        if (i < 4) bytes[i] = static_cast<uint8_t>(high * 16 + low);
    }
    if (!valid) return CalculatorMessage{QStringLiteral("Invalid characters detected. Please re-enter!")};
    const uint32_t bits = uint32_t(bytes[0]) << 24 | uint32_t(bytes[1]) << 16 |
                          uint32_t(bytes[2]) << 8 | bytes[3];
    return fitGeneral(singleFromBits(bits), 10, point);
}
