#pragma once

#include "sim/HartAnswer.h"
#include "sim/HartInstrument.h"

#include <QByteArray>
#include <cstdint>
#include <optional>

// The stand-in instruments' answers to the write commands: 6 (polling address and loop
// current mode), 17 (message), 18 (tag, descriptor, date), 22 (long tag, HART 6+), 34
// (damping), 35 (range), 38 (reset "configuration changed"), 40 (fixed current), 44 (PV
// unit) and 47 (transfer function). What is written is kept while the stand-in runs.
//
// Before any write is looked at, an instrument told to be busy answers 32; then data
// shorter than the command's layout is refused with 5 and a write-protected instrument
// refuses with 7. A refusal changes nothing. An accepted configuration write (all but 38
// and 40) sets "configuration changed" in the field device status and, from HART 6, counts
// one configuration change; its answer echoes what was set.
namespace HartWrites {

// Absent for a command that is no write the instrument knows.
std::optional<HartAnswer> write(HartInstrument& device, uint8_t command, const QByteArray& request);

// Response codes of single commands.
namespace Code {
constexpr uint8_t kInvalidMode = 12;                                        // 6
constexpr uint8_t kCounterMismatch = 9;                                     // 38
constexpr uint8_t kLoopCurrentNotActive = 11;                               // 40
constexpr uint8_t kLowerTooHigh = 9, kLowerTooLow = 10, kUpperTooHigh = 11; // 35
constexpr uint8_t kUpperTooLow = 12, kBothOutOfLimits = 13, kSpanTooSmall = 14, kInvalidSpan = 29;
} // namespace Code

// What the instruments accept.
constexpr float kMostDamping = 60.0f;  // seconds
constexpr double kDampingSteps = 10.0; // damping is set in tenths of a second
constexpr float kLeastFixedCurrent = 3.6f, kMostFixedCurrent = 21.0f; // mA

} // namespace HartWrites
