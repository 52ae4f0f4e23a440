#pragma once

// The command line's scan of HART polling addresses, run without a window:
//   vk742b-config --port PORT [--baud N] [--parity P] [--log FILE] scan [--to N] [--timeout MS]
// One line on stdout per instrument that answers, starting with its polling address;
// nothing for a silent address. Exit codes: 0 when the scan ran (even when none
// answered), 2 bad arguments, a port or log that does not open, or a port that went away.
namespace ScanCommand {

// Whether the arguments name the scan.
bool requested(int argc, char** argv);
// Runs it under a QCoreApplication of its own.
int run(int argc, char** argv);

} // namespace ScanCommand
