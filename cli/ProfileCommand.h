#pragma once

// The command line's profile commands, run without a window and without a display:
//   vk742b-config --port PORT [--baud N] [--parity P] [--log FILE] read|write|compare FILE
// Exit codes, as diff and cmp use them: 0 success (compare: the same), 1 compare found
// differences, 2 trouble (bad arguments or profile, a port that does not open, a request
// refused or unanswered, a failed save).
namespace ProfileCommand {

// Whether the arguments are for the command line rather than the window (the scan and the
// monitor are asked first).
bool requested(int argc, char** argv);
// Runs it under a QCoreApplication of its own: no widget and no platform plugin.
int run(int argc, char** argv);

} // namespace ProfileCommand
