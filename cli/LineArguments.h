#pragma once

#include <QString>

class QCommandLineParser;

// What every command takes about its port: --port PORT [--baud N] [--parity P] [--log FILE].
struct LineArguments {
    QString port;
    unsigned baud = 9600;
    QString parity = QStringLiteral("None");
    QString log; // every frame sent and received goes there; empty for none
};

// Reads them from a parser that knows all four options: --port is needed, a positive speed,
// None, Odd or Even in any case, a log's file name. Empty when all are good, else the refusal.
QString readLineArguments(const QCommandLineParser& parser, LineArguments& out);
