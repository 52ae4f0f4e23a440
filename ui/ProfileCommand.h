#pragma once

// The command line's profile commands, run without a window on the screen:
//   vk742b-config --port PORT [--baud N] [--parity P] read|write|compare FILE
// Exit codes: 0 success, 1 a request failed or compare found differences, 2 bad
// arguments or a bad profile.
namespace ProfileCommand {

// Whether the arguments ask for a profile command rather than the window.
bool requested(int argc, char** argv);
// Runs it; creates the application itself (offscreen, so no display is needed).
int run(int argc, char** argv);

} // namespace ProfileCommand
