#pragma once

// The command line's reading of one HART instrument, run without a window:
//   vk742b-config --port PORT [--baud N] [--parity P] [--log FILE] instrument ADDR
//   [--save FILE] [--compare FILE] [--timeout MS]
// Prints the instrument's groups on stdout; saves a snapshot, compares with one, or both.
// Exit codes: 0 read (and the same), 1 differs, 2 trouble.
namespace InstrumentCommand {

// Whether the arguments name the instrument command.
bool requested(int argc, char** argv);
// Runs it under a QCoreApplication of its own.
int run(int argc, char** argv);

} // namespace InstrumentCommand
