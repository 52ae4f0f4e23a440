#pragma once

#include "sim/HartLoop.h"

#include <string>

// The stand-in's switches that set up one instrument before it starts answering. Each takes
// the switch's value, changes the loop, and returns "" or why it changed nothing.
namespace InstrumentSwitches {

// "ADDR:BYTE:HEX": byte BYTE of command 48's data of the instrument at polling address ADDR
// (0 to 13 for HART 5, 0 to 24 from HART 6; a byte past the data's end lengthens it).
// Byte 6 from HART 6 is the extended device status, which commands 0 and 9 report too.
std::string setDiagnostic(HartLoop& loop, const std::string& value);

// "ADDR:TEXT": the tag (command 13) of the instrument at ADDR, at most 8 characters HART's
// packed code can carry; lower case is kept as upper case.
std::string setTag(HartLoop& loop, const std::string& value);

// "ADDR:N": the instrument at ADDR answers its next N writes (0 to 1000) with response
// code 32, busy, and takes none of them.
std::string setBusy(HartLoop& loop, const std::string& value);

} // namespace InstrumentSwitches
