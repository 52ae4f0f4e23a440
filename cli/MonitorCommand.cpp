#include "cli/MonitorCommand.h"

#include "cli/CommandLine.h"
#include "cli/MonitorArguments.h"
#include "cli/MonitorDecoding.h"
#include "cli/MonitorSummary.h"
#include "cli/PortOpening.h"
#include "cli/StopSignals.h"
#include "cli/TrafficLogFile.h"
#include "files/ReadFile.h"
#include "exchange/ExchangeView.h"
#include "live/CsvWriter.h"
#include "live/LiveSampler.h"
#include "live/LiveSetup.h"
#include "profile/Profile.h"
#include "serial/Comm.h"
#include "session/ConverterSession.h"
#include "tools/TerminalText.h"

#include <QCoreApplication>
#include <QEventLoop>
#include <QTimer>
#include <cstdio>

namespace {

using CommandLine::say;

QString shown(const QString& text) { return TerminalText::escaped(text); }

// The formats and slave address a profile holds; false (and said why) when it cannot be read.
// Read as every profile is: a regular file of bounded size, by its name's bytes.
bool readProfile(const QByteArray& path, MonitorDecoding& out)
{
    const ReadFile::Result file = ReadFile::read(path, ReadFile::kProfileLimit);
    if (!file.ok()) {
        say(file.error);
        return false;
    }
    QStringList problems;
    const auto profile = Profile::fromJson(file.bytes, problems);
    if (!profile) {
        say(QStringLiteral("%1 is not a profile this program can use:").arg(TerminalText::fileName(path)));
        for (const QString& p : problems) std::fprintf(stderr, "  %s\n", qPrintable(p));
        return false;
    }
    out = MonitorDecoding::fromValues(profile->values);
    return true;
}

// Without --formats or --profile the slots' formats are the converter's own, and so is the
// slave address unless --slave names it: a slot decoded by a guessed format would show
// plausible wrong numbers.
bool asksConverter(const MonitorArguments& args)
{
    return !args.deviceSlots.empty() && args.profile.isEmpty() && !args.allFormats && args.slotFormats.empty();
}

// Reads them on a session of the converter's usual query timing, then keeps the line quiet
// for `quietMs`, as between any two requests, before the polls' session takes over. False
// (and said why) when the converter does not tell.
bool readFromConverter(TComm& port, const MonitorArguments& args, int quietMs, MonitorDecoding& out,
                       TrafficLogFile& log)
{
    NoView view;
    ConverterSession session(port, view);
    log.follow(session);
    const QString why = MonitorDecoding::read(session, args.deviceSlots, !args.slave, out);
    if (why.isEmpty()) {
        QEventLoop quiet;
        QTimer::singleShot(quietMs, &quiet, &QEventLoop::quit);
        quiet.exec();
        return true;
    }
    say(why);
    say(QStringLiteral("give --formats (and --slave), or --profile, to poll without asking the converter"));
    return false;
}

LiveSetup setupFrom(const MonitorArguments& args, const MonitorDecoding& decoding)
{
    LiveSetup setup;
    setup.slave = args.slave.value_or(decoding.slave.value_or(1));
    for (int slot : args.deviceSlots) {
        RegisterFormat::SlotFormats formats{};
        if (const auto f = decoding.formats.find(slot); f != decoding.formats.end()) formats = f->second;
        if (args.allFormats) formats = *args.allFormats;
        if (const auto f = args.slotFormats.find(slot); f != args.slotFormats.end()) formats = f->second;
        setup.deviceSlots.emplace_back(slot, formats);
    }
    setup.hart = args.hart;
    setup.intervalMs = args.intervalMs;
    return setup;
}

void printSummary(const LiveSampler& sampler)
{
    for (const auto& s : sampler.sources())
        std::fprintf(stderr, "%s\n", qPrintable(MonitorSummary::sourceLine(s->name(), s->stats)));
    std::fprintf(stderr, "%s\n",
                 qPrintable(MonitorSummary::cyclesLine(sampler.cycles(), sampler.periodMs(), sampler.cycleMs(),
                                                       sampler.interval())));
}

// Polls until the count is reached, a signal stops it, or the port goes; returns the exit code.
int poll(TComm& port, const LiveSetup& setup, int count, CsvWriter& csv, TrafficLogFile& log)
{
    NoView view;
    ConverterSession session(port, view, setup.sessionOptions(port.BaudRate()));
    log.follow(session);
    LiveSampler sampler(session, setup.sources());
    sampler.setInterval(setup.intervalMs);
    sampler.setCount(count);
    int code = 0;
    QObject::connect(&sampler, &LiveSampler::rowReady, [&](const LiveRow& row) {
        if (!csv.isOpen() || csv.write(sampler.columns(), row)) return;
        say(QStringLiteral("cannot write the CSV to %1: %2").arg(csv.fileName(), csv.errorString()));
        csv.close();
        code = 2; // trouble, as for every command
        sampler.stop();
    });
    // A log cut short is as much trouble as a CSV cut short: the run ends after its cycle.
    log.onFailure = [&](const QString& message) {
        say(message);
        code = 2;
        sampler.stop();
    };
    QObject::connect(&sampler, &LiveSampler::finished, [&](bool portLost) {
        if (portLost) {
            say(QStringLiteral("the port %1 went away").arg(shown(port.CommName())));
            code = 2;
        }
        QCoreApplication::quit();
    });
    StopSignals stopSignals;
    QObject::connect(&stopSignals, &StopSignals::received, [&](int count) {
        if (count == 1) return sampler.stop();
        // A second signal: at once, without the cycle under way; the rows written are whole.
        say(QStringLiteral("stopped before the cycle under way ended"));
        QCoreApplication::quit();
    });
    sampler.start();
    QCoreApplication::exec();
    log.onFailure = nullptr; // it held this run's sampler
    printSummary(sampler);
    return code;
}

} // namespace

namespace MonitorCommand {

bool requested(int argc, char** argv) { return MonitorCommandLine::requested(CommandLine::fromArgv(argc, argv)); }

int run(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    MonitorArguments args;
    if (const auto answer = MonitorCommandLine::read(app.arguments(), args)) return CommandLine::deliver(*answer);
    MonitorDecoding decoding;
    if (!args.profile.isEmpty() && !readProfile(CommandLine::rawArgument(argc, argv, args.profile), decoding))
        return 2;

    // The port, and what is read from the converter, before the CSV: a run that cannot
    // start leaves an existing CSV file as it was.
    CommandPort line;
    if (const QString why = line.open(argc, argv, args); !why.isEmpty()) {
        say(why);
        return 2;
    }
    if (asksConverter(args)) {
        // The polls' session cannot know when the queries' last byte came: the longer of
        // its own gap and 3.5 characters of 11 bits.
        const uint32_t baud = line.port.BaudRate();
        const int quietMs =
            std::max(setupFrom(args, decoding).sessionOptions(baud).quietGapMs, ConverterSession::frameGapMs(baud));
        if (!readFromConverter(line.port, args, quietMs, decoding, line.log)) return line.exitCode(2);
        if (decoding.workingMode == u"transparent")
            say(QStringLiteral("the converter is in transparent mode (working mode 0), where its MODBUS slave does not "
                               "answer; set a MODBUS mode to poll its registers"));
    }
    if (!line.log.failure().isEmpty()) return 2; // said as it happened
    CsvWriter csv;
    if (const QString why = csv.open(args.csv == u"-" ? QByteArray("-") : CommandLine::rawArgument(argc, argv, args.csv));
        !why.isEmpty()) {
        say(QStringLiteral("cannot write %1: %2").arg(csv.fileName(), why));
        return line.exitCode(2);
    }
    return line.exitCode(poll(line.port, setupFrom(args, decoding), args.count, csv, line.log));
}

} // namespace MonitorCommand
