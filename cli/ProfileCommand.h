#pragma once

// The command line's profile commands, run without a window and without a display:
//   vk742b-config --port PORT [--baud N] [--parity P] read|write|compare FILE
// Exit codes: 0 success, 1 a request failed or compare found differences, 2 bad
// arguments or a bad profile, or a new port speed that did not answer.
namespace ProfileCommand {

// Whether the arguments ask for a profile command rather than the window.
bool requested(int argc, char** argv);
// Runs it under a QCoreApplication of its own: no widget and no platform plugin.
int run(int argc, char** argv);

} // namespace ProfileCommand
