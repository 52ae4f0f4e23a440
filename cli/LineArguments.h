#pragma once

#include <QString>
#include <QStringList>

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

// Whether `command` is the first word of the arguments (after the program) that is no
// option's value: `valueOptions` are the options that take one ("--port"), unless given
// as "--port=P".
bool namesCommand(const QStringList& arguments, const QString& command, const QStringList& valueOptions);

// The first of the options `onceOnly` names (without dashes) that was given more than once,
// as a refusal; empty when each was given at most once. Of two values, which one was meant
// cannot be known.
QString givenTwice(const QCommandLineParser& parser, const QStringList& onceOnly);
