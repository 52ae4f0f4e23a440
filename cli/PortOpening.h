#pragma once

#include <QString>

class QCommandLineParser;
class TComm;

// --baud and --parity as every command takes them, from a parser that knows both: a
// positive speed, and None, Odd or Even in any case. Leaves what is not given as it was;
// empty when both are good, else the refusal.
QString readLineOptions(const QCommandLineParser& parser, unsigned& baud, QString& parity);

// Opens a port for the command line as the window's port panel does: no modem lines, no
// software flow control. `parity` is "None", "Odd" or "Even". Empty on success, else the
// message, which names the port and why it did not open.
QString openCommandLinePort(TComm& port, const QString& name, unsigned baud, const QString& parity);
