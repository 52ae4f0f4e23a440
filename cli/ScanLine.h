#pragma once

#include "session/HartScan.h"

#include <QString>

// One instrument of a scan as the command line prints it, starting with its polling
// address:
//   1  manufacturer 0x11, device type 0x22, device ID 001234, HART 6, tag "PT-201",
//      long tag "Feed pump discharge pressure", status: success
// (on one line). Tags are the instrument's text, made safe for a terminal.
QString scanLine(const HartScan::Found& found);
