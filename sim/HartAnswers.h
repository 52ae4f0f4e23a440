#pragma once

#include "sim/HartAnswer.h"
#include "sim/HartBytes.h"
#include "sim/HartInstrument.h"

#include <QByteArray>
#include <cstdint>
#include <optional>

// The stand-in instruments' answers to the reading commands: 0 (identity), 1, 2 and 3
// (values), 7 (loop configuration), 8 (classifications), 9 and 33 (device variables),
// 12-16 (message; tag, descriptor and date; sensor; PV output; final assembly number),
// 20 (long tag), 48 (additional status) and 50 (variable assignments). Each answers with
// the layout of the instrument's HART revision.
namespace HartAnswers {

// Command 0's data, as long as the instrument's revision makes it.
QByteArray identity(const HartInstrument& device);

// The answer to a reading command with the request's data; absent for a command the
// instrument does not implement (7, 8, 9 and 20 before HART 6, 33 from HART 6, and every
// command not listed above).
std::optional<HartAnswer> read(const HartInstrument& device, uint8_t command, const QByteArray& request,
                               double seconds);

using ::packAscii;

} // namespace HartAnswers
