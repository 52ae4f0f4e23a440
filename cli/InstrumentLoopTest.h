#pragma once

#include "cli/InstrumentArguments.h"

class TComm;
class TrafficLogFile;

// The command line's loop test: asks first (or takes --yes), prints each current the
// instrument says it set, and leaves fixed current mode however it ends, SIGINT and SIGTERM
// included; each current and the leaving go to the audit log. Returns the exit code: 0 done,
// 2 stopped, refused, still fixed, or the audit log not written.
namespace InstrumentLoopTest {

int run(TComm& port, const InstrumentArguments& args, TrafficLogFile& log);

} // namespace InstrumentLoopTest
