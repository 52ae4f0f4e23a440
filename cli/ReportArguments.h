#pragma once

#include "cli/CommandLine.h"
#include "cli/LineArguments.h"

#include <QString>
#include <QStringList>
#include <optional>

// The commissioning report command's arguments:
//   report --profile FILE [--instrument FILE]... [--live CSV] [--audit FILE] -o FILE.pdf|FILE.html
//   --port P [--baud N] [--parity P] [--log FILE] report [--instrument FILE]... ... -o FILE
struct ReportArguments : LineArguments {
    QString profile;         // the profile to report; empty: read the converter on the port
    QString output;          // the file to write: PDF or HTML by its ending
    QStringList instruments; // snapshot files
    QString live;            // a recorded live run's CSV; empty for none
    QString audit;           // the audit log; empty for the desktop's own, where it exists
};

namespace ReportCommandLine {

bool requested(const QStringList& arguments);

// Reads the arguments into `out`; --help's text (exit code 0), or a refusal (exit code 2).
std::optional<CommandLine::Answer> read(const QStringList& arguments, ReportArguments& out);

} // namespace ReportCommandLine
