#pragma once

#include "cli/CommandLine.h"
#include "cli/LineArguments.h"

#include <QString>
#include <QStringList>
#include <optional>

// The register map command's arguments:
//   regmap --profile FILE [--format csv|md|html] [-o FILE] [--all] [--instrument FILE]...
//   --port P [--baud N] [--parity P] [--log FILE] regmap [--format ...] [-o FILE] [--all] ...
struct RegmapArguments : LineArguments {
    QString profile;          // the profile to map; empty: read the converter on the port
    QString format;           // "csv", "md" or "html"
    QString output;           // the file to write; empty for stdout
    bool all = false;         // the disabled slots' rows too
    QStringList instruments;  // snapshot files for tags and units
};

namespace RegmapCommandLine {

// Whether the arguments name the regmap command (the first word that is no option's value).
bool requested(const QStringList& arguments);

// Reads the arguments into `out`; --help's text (exit code 0), or a refusal (exit code 2).
std::optional<CommandLine::Answer> read(const QStringList& arguments, RegmapArguments& out);

} // namespace RegmapCommandLine
