#pragma once

#include "cli/LineArguments.h"
#include "cli/TrafficLogFile.h"
#include "serial/Comm.h"

#include <QString>

// The port a command runs on, and its traffic log. open() makes the log first (a log that
// cannot be written fails before the port is touched), then opens the port as the window's
// port panel does: no modem lines, no software flow control.
struct CommandPort {
    TrafficLogFile log;
    TComm port;

    // Empty on success, else the message, which names the file or the port and the reason.
    // The log's file is taken from argv by its bytes.
    QString open(int argc, char** argv, const LineArguments& line);
};
