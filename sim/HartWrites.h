#pragma once

#include "sim/HartAnswer.h"
#include "sim/HartInstrument.h"

#include <QByteArray>
#include <cstdint>
#include <optional>

// The stand-in instruments' answers to the write commands: 6 (polling address), 17
// (message) and 18 (tag, descriptor, date). What is written is kept while the stand-in
// runs. Data shorter than the command's layout is refused with response code 5 and a
// write-protected instrument refuses with code 7, both changing nothing; an accepted write
// echoes the data as set, sets "configuration changed" in the field device status and, from
// HART 6, counts one configuration change.
namespace HartWrites {

// Absent for a command that is no write the instrument knows.
std::optional<HartAnswer> write(HartInstrument& device, uint8_t command, const QByteArray& request);

} // namespace HartWrites
