#pragma once

// The command line's scan of HART polling addresses, run without a window:
//   vk742b-config --port PORT [--baud N] [--parity P] scan [--to N] [--timeout MS]
// One line on stdout per instrument that answers, starting with its polling address;
// nothing for a silent address. Exit codes: 0 when the scan ran (even when none
// answered), 1 when the port went away during it, 2 bad arguments or a port that does
// not open.
namespace ScanCommand {

// Whether the arguments name the scan.
bool requested(int argc, char** argv);
// Runs it under a QCoreApplication of its own.
int run(int argc, char** argv);

} // namespace ScanCommand
