#pragma once

#include "cli/InstrumentArguments.h"

#include <QJsonObject>
#include <optional>

class TComm;
class TrafficLogFile;

// The command line's writes to an instrument: set and apply. The plan is printed on stdout;
// without --yes a terminal is asked, and otherwise nothing is written. Returns the exit code.
namespace InstrumentWriting {

// `applied`: the snapshot apply writes (already read and checked); empty for set.
int run(TComm& port, const InstrumentArguments& args, TrafficLogFile& log, const std::optional<QJsonObject>& applied);

} // namespace InstrumentWriting
