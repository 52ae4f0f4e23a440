#pragma once

#include "sim/HartLoop.h"

#include <QByteArray>
#include <cstdint>
#include <optional>

// The data of the stand-in instruments' answers to the universal commands beyond 3 and 6:
// identity (0), primary variable (1), loop current and percent of range (2), tag (13),
// long tag (20) and additional status (48).
namespace HartAnswers {

// The instrument at polling address 5: HART 7, so its identity carries an expanded
// device type and a 16-bit manufacturer, and it has a long tag.
HartInstrument levelInstrument();

// Command 0's data, as long as the instrument's revision makes it.
QByteArray identity(const HartInstrument& device);

// The data of commands 1, 2, 13, 20 and 48; absent for a command the instrument does not
// implement (20 before HART 6, and every command not listed).
std::optional<QByteArray> answer(const HartInstrument& device, uint8_t command, double seconds);

// Text in six-bit packed characters, four to every three bytes, padded with blanks to
// `characters` (a multiple of four).
QByteArray packAscii(const QByteArray& text, int characters);

} // namespace HartAnswers
