#pragma once

#include "cli/CommandLine.h"
#include "cli/LineArguments.h"

#include <QString>
#include <optional>

// The instrument command's arguments:
//   --port P [--baud N] [--parity P] [--log FILE] instrument ADDR [--save FILE] [--compare FILE]
//   [--timeout MS]
struct InstrumentArguments : LineArguments {
    int pollingAddress = 0;
    QString save;    // the snapshot goes there; empty for none
    QString compare; // the snapshot to compare with; empty for none
    int timeoutMs = 2000;
};

namespace InstrumentCommandLine {

// Whether the arguments name the instrument command (the first word that is no option's value).
bool requested(const QStringList& arguments);

// Reads the arguments into `out`; --help's text (exit code 0), or a refusal (exit code 2).
std::optional<CommandLine::Answer> read(const QStringList& arguments, InstrumentArguments& out);

} // namespace InstrumentCommandLine
