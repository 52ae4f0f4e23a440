#pragma once

// The command line's live values, run without a window and without a display:
//   vk742b-config --port P [--baud N] [--parity P] monitor [--slave N] [--slots 0,2]
//     [--formats F] [--profile FILE] [--hart 0,1] [--interval MS] [--count N] [--csv FILE|-]
//     [--log FILE]
// One CSV row per cycle; SIGINT or SIGTERM end it after the cycle under way. Exit codes:
// 0 the run ended, 2 trouble: bad arguments or profile, a CSV file or log that cannot be
// written, a port that cannot open or that went away.
namespace MonitorCommand {

// Whether the arguments ask for the monitor command.
bool requested(int argc, char** argv);
// Runs it under a QCoreApplication of its own: no widget and no platform plugin.
int run(int argc, char** argv);

} // namespace MonitorCommand
