#pragma once

#include "cli/InstrumentArguments.h"

class TComm;
class TrafficLogFile;

// The command line's loop test: asks first (or takes --yes), prints each current the
// instrument says it set, and leaves fixed current mode however it ends, SIGINT and SIGTERM
// included. Returns the exit code: 0 done, 2 stopped, refused or still fixed.
namespace InstrumentLoopTest {

int run(TComm& port, const InstrumentArguments& args, TrafficLogFile& log);

} // namespace InstrumentLoopTest
