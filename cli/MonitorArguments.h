#pragma once

#include "cli/CommandLine.h"
#include "live/RegisterFormat.h"

#include <QString>
#include <map>
#include <optional>
#include <vector>

// The monitor command's arguments:
//   --port P [--baud N] [--parity P] monitor [--slave N] [--slots 0,2] [--formats F]
//   [--profile FILE] [--hart 0,1] [--interval MS] [--count N] [--csv FILE|-] [--log FILE]
struct MonitorArguments : LineArguments {
    std::optional<int> slave; // 1 unless given, or a profile's slave address
    std::vector<int> deviceSlots;   // device slots, in the order given
    std::optional<RegisterFormat::SlotFormats> allFormats; // --formats F
    std::map<int, RegisterFormat::SlotFormats> slotFormats; // --formats N:F
    QString profile;
    std::vector<int> hart; // polling addresses
    int intervalMs = 1000;
    int count = 0; // 0: until SIGINT or SIGTERM
    QString csv = QStringLiteral("-");
};

namespace MonitorCommandLine {

// Whether the arguments name the monitor command (the first word that is no option's value).
bool requested(const QStringList& arguments);

// Reads the arguments into `out`; --help's text (exit code 0), or a refusal (exit code 2).
std::optional<CommandLine::Answer> read(const QStringList& arguments, MonitorArguments& out);

// "0,0,1,2,3": the five codes of a slot's values, each within what that value takes.
// Empty on success, else what is wrong.
QString readFormats(const QString& text, RegisterFormat::SlotFormats& out);

} // namespace MonitorCommandLine
