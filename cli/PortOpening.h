#pragma once

#include <QString>

class TComm;

// Opens a port for the command line as the window's port panel does: no modem lines, no
// software flow control. `parity` is "None", "Odd" or "Even". Empty on success, else why
// the port did not open.
QString openCommandLinePort(TComm& port, const QString& name, unsigned baud, const QString& parity);
