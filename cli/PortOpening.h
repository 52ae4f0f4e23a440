#pragma once

#include "cli/LineArguments.h"
#include "cli/TrafficLogFile.h"
#include "serial/Comm.h"

#include <QString>
#include <algorithm>

// The port a command runs on, and its traffic log. open() makes the log first (a log that
// cannot be written fails before the port is touched), then opens the port as the window's
// port panel does: no modem lines, no software flow control. A log line that cannot be
// written later is said on stderr at once; the command goes on, and exitCode() tells.
struct CommandPort {
    TrafficLogFile log;
    TComm port;

    // Empty on success, else the message, which names the file or the port and the reason.
    // The log's file is taken from argv by its bytes.
    QString open(int argc, char** argv, const LineArguments& line);
    // The command's exit code with the log's fate in it: 2 (trouble) once a line was lost.
    int exitCode(int code) const { return log.failure().isEmpty() ? code : std::max(code, 2); }
};
