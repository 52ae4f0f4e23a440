#include "cli/MonitorCommand.h"

#include "cli/CommandLine.h"
#include "cli/MonitorArguments.h"
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
#include "profile/ProfileSchema.h"
#include "serial/Comm.h"
#include "session/ConverterSession.h"
#include "tools/TerminalText.h"

#include <QCoreApplication>
#include <cstdio>

namespace {

void say(const QString& text) { std::fprintf(stderr, "vk742b-config: %s\n", qPrintable(text)); }

QString shown(const QString& text) { return TerminalText::escaped(text); }

// The formats and slave address a profile holds; false (and said why) when it cannot be read.
// Read as every profile is: a regular file of bounded size, by its name's bytes.
bool readProfile(const QByteArray& path, std::map<int, RegisterFormat::SlotFormats>& formats, std::optional<int>& slave)
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
    const char* const values[RegisterFormat::kValues] = {"current", "variable_1", "variable_2", "variable_3",
                                                         "variable_4"};
    for (int slot = 0; slot < 5; ++slot)
        for (int v = 0; v < RegisterFormat::kValues; ++v) {
            const QString key = QStringLiteral("modbus.devices[%1].formats.%2").arg(slot).arg(QLatin1String(values[v]));
            const auto found = profile->values.find(key);
            const ProfileSchema::Setting* setting = ProfileSchema::find(key);
            if (found == profile->values.end() || !setting) continue;
            formats[slot][size_t(v)] = std::max(0, int(setting->choices.indexOf(found->second)));
        }
    const auto address = profile->values.find(QStringLiteral("system.slave_address"));
    if (address != profile->values.end()) slave = address->second.toInt(1);
    return true;
}

LiveSetup setupFrom(const MonitorArguments& args, const std::map<int, RegisterFormat::SlotFormats>& profileFormats,
                    std::optional<int> profileSlave)
{
    LiveSetup setup;
    setup.slave = args.slave.value_or(profileSlave.value_or(1));
    for (int slot : args.deviceSlots) {
        RegisterFormat::SlotFormats formats{};
        if (const auto f = profileFormats.find(slot); f != profileFormats.end()) formats = f->second;
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
        say(QStringLiteral("cannot write the CSV: %1").arg(csv.errorString()));
        csv.close();
        code = 2; // trouble, as for every command
        sampler.stop();
    });
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
    std::map<int, RegisterFormat::SlotFormats> profileFormats;
    std::optional<int> profileSlave;
    if (!args.profile.isEmpty() &&
        !readProfile(CommandLine::rawArgument(argc, argv, args.profile), profileFormats, profileSlave))
        return 2;
    const LiveSetup setup = setupFrom(args, profileFormats, profileSlave);

    // The port first: a run that cannot start leaves an existing CSV file as it was.
    CommandPort line;
    if (const QString why = line.open(argc, argv, args); !why.isEmpty()) {
        say(why);
        return 2;
    }
    CsvWriter csv;
    if (const QString why = csv.open(args.csv); !why.isEmpty()) {
        say(QStringLiteral("cannot write %1: %2").arg(shown(args.csv), why));
        return 2;
    }
    return poll(line.port, setup, args.count, csv, line.log);
}

} // namespace MonitorCommand
