#pragma once

#include <QString>
#include <array>
#include <cstdint>
#include <optional>

// How a slot publishes each of its five values (loop current, variables 1 to 4) in two
// holding registers. FF4 is the value's most significant byte; the bracket is the order
// the bytes stand in the two registers:
//   0 IEEE 754 (FF4 FF3 FF2 FF1)     1 IEEE 754 (FF2 FF1 FF4 FF3)
//   2 Uint32 (FF4 FF3 FF2 FF1)       3 Uint32 (FF2 FF1 FF4 FF3)
//   4 absolute value (FF2 FF1 FF4 FF3): the magnitude of the IEEE 754 value
namespace RegisterFormat {

constexpr int kValues = 5; // loop current, variables 1 to 4
using SlotFormats = std::array<int, kValues>;

// The highest code each value can be set to on the converter: the loop current takes
// 0-1, variable 1 takes 0-3, variables 2 to 4 take 0-4.
int highest(int value);

// The number two registers hold; nothing for a float that is not finite (an instrument's
// "no value"), so that it reads as an empty cell rather than a number.
std::optional<double> decode(uint16_t first, uint16_t second, int format);

// The two registers that carry `value` in the format, in the order they stand (the
// inverse of decode): 100 is 42C8 0000 in format 0 and 0000 42C8 in format 1. An integer
// format takes the value rounded, clamped to 0 to 4294967295 (NaN as 0).
std::array<uint16_t, 2> encode(double value, int format);

// The format in words, for a register table: "float32", "uint32" or "float32 magnitude".
QString typeName(int format);
// The word order: "ABCD" for FF4 FF3 FF2 FF1 (high word first), "CDAB" for FF2 FF1 FF4 FF3.
QString wordOrder(int format);

} // namespace RegisterFormat
