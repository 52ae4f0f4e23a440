#pragma once

#include "cli/LineArguments.h"

#include <QProcessEnvironment>
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
// The argument as the file system's bytes: the raw argv entry that reads as `decoded`, so
// a file name that is not valid UTF-8 reaches the file system unchanged.
QByteArray rawArgument(int argc, char** argv, const QString& decoded);

// --help or --version, answered before the window exists; nothing otherwise.
std::optional<Answer> answerBeforeWindow(const QStringList& arguments);

// Whether the arguments are for the command line rather than the window: --port, one of
// our options with a value, or any word that is not the value of one of Qt's own window
// options (a command, or a mistyped one, which the command line then refuses).
bool wantsCommandLine(const QStringList& arguments);

// The window needs a display: without one (no DISPLAY, no WAYLAND_DISPLAY, no platform
// chosen in the environment or by -platform), the refusal that says so (exit code 2);
// nothing otherwise.
std::optional<Answer> checkDisplay(const QProcessEnvironment& environment, const QStringList& arguments);

// With QApplication's own options removed: an unknown option or argument, or nothing.
std::optional<Answer> checkWindowArguments(const QStringList& arguments);

// A profile command: --port PORT [--baud N] [--parity P] [--log FILE] read|write|compare FILE.
struct ProfileArguments : LineArguments {
    QString command, file;
};
// Reads a profile command's arguments into `out`; on a mistake, the refusal (exit code 2).
std::optional<Answer> readProfileArguments(const QStringList& arguments, ProfileArguments& out);

// A scan of HART polling addresses: --port PORT [--baud N] [--parity P] [--log FILE] scan
// [--to N] [--timeout MS].
struct ScanArguments : LineArguments {
    int last = 15;        // polling addresses 0 to this (at most 63)
    int timeoutMs = 1000; // the wait at each address
};
// Whether the command the arguments name is "scan".
bool namesScan(const QStringList& arguments);
// Reads a scan's arguments into `out`; on a mistake, the refusal (exit code 2).
std::optional<Answer> readScanArguments(const QStringList& arguments, ScanArguments& out);

// Prints the answer and returns its exit code.
int deliver(const Answer& answer);

// A command's refusal (exit code 2): "vk742b-config report: WHY" and where its help is. The
// reason quotes what was typed: its control characters are shown escaped.
Answer commandRefusal(const QString& command, const QString& why);
// A command's --help: `text` with the program's name for each "%1" (exit code 0).
Answer commandHelp(const char* text);

// Says `text` on stderr after the program's name; it must already be safe for a terminal:
// anything from a file or the converter in it escaped.
void say(const QString& text);

} // namespace CommandLine
