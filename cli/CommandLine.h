#pragma once

#include <QString>
#include <QStringList>
#include <optional>

// The tool's command line, in one place. It is read twice: once before any application
// object exists, so that --help and --version answer without a display, and once more
// after QApplication has taken its own options (-platform, -style, ...), when anything
// left over that we do not know is an error.
namespace CommandLine {

// What to print and the exit code, when the command line ends the program by itself.
struct Answer {
    int exitCode = 0;
    QString out; // for stdout
    QString err; // for stderr
};

QStringList fromArgv(int argc, char** argv);

// --help or --version, answered before the window exists; nothing otherwise.
std::optional<Answer> answerBeforeWindow(const QStringList& arguments);

// With QApplication's own options removed: an unknown option or argument, or nothing.
std::optional<Answer> checkWindowArguments(const QStringList& arguments);

// A profile command: --port PORT [--baud N] [--parity P] read|write|compare FILE.
struct ProfileArguments {
    QString command, file, port;
    QString baud = QStringLiteral("9600"), parity = QStringLiteral("None");
};
// Reads a profile command's arguments into `out`; on a mistake, the refusal (exit code 2).
std::optional<Answer> readProfileArguments(const QStringList& arguments, ProfileArguments& out);

// A scan of HART polling addresses: --port PORT [--baud N] [--parity P] scan [--to N]
// [--timeout MS].
struct ScanArguments {
    QString port;
    QString baud = QStringLiteral("9600"), parity = QStringLiteral("None");
    int last = 15;        // polling addresses 0 to this (at most 63)
    int timeoutMs = 1000; // the wait at each address
};
// Whether the command the arguments name is "scan".
bool namesScan(const QStringList& arguments);
// Reads a scan's arguments into `out`; on a mistake, the refusal (exit code 2).
std::optional<Answer> readScanArguments(const QStringList& arguments, ScanArguments& out);

// Prints the answer and returns its exit code.
int deliver(const Answer& answer);

} // namespace CommandLine
