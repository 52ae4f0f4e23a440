#include "cli/RegmapCommand.h"

#include "cli/PortOpening.h"
#include "cli/RegmapArguments.h"
#include "exchange/ExchangeView.h"
#include "files/ReadFile.h"
#include "files/SaveFile.h"
#include "instrument/SnapshotFile.h"
#include "profile/ProfileRun.h"
#include "regmap/RegisterMapText.h"
#include "session/ConverterSession.h"
#include "tools/TerminalText.h"

#include <QCoreApplication>
#include <QFile>
#include <cstdio>

namespace {

constexpr int kSuccess = 0, kTrouble = 2;

// `text` must already be safe for a terminal.
void say(const QString& text) { std::fprintf(stderr, "vk742b-config: %s\n", qPrintable(text)); }

std::optional<Profile> loadProfile(const QByteArray& path)
{
    const ReadFile::Result file = ReadFile::read(path, ReadFile::kProfileLimit);
    if (!file.ok()) {
        say(file.error);
        return std::nullopt;
    }
    QStringList problems;
    auto profile = Profile::fromJson(file.bytes, problems);
    if (!profile) {
        say(QStringLiteral("%1 is not a profile this program can use:").arg(TerminalText::fileName(path)));
        for (const QString& p : problems) std::fprintf(stderr, "  %s\n", qPrintable(p));
    }
    return profile;
}

// The snapshots' tags and units by polling address; nothing when one cannot be read, or
// two are of the same address (which one the slot polls could not be told).
std::optional<RegisterMap::Instruments> loadInstruments(int argc, char** argv, const QStringList& files)
{
    RegisterMap::Instruments out;
    for (const QString& file : files) {
        const QByteArray path = CommandLine::rawArgument(argc, argv, file);
        QStringList problems;
        const auto snapshot = SnapshotFile::load(path, problems);
        if (!snapshot) {
            for (const QString& p : problems) say(p);
            return std::nullopt;
        }
        const auto instrument = RegisterMap::fromSnapshot(*snapshot);
        if (!instrument) {
            say(QStringLiteral("%1 names no polling address").arg(TerminalText::fileName(path)));
            return std::nullopt;
        }
        if (!out.emplace(instrument->first, instrument->second).second) {
            say(QStringLiteral("%1 is a second snapshot of polling address %2; give one per address")
                    .arg(TerminalText::fileName(path))
                    .arg(instrument->first));
            return std::nullopt;
        }
    }
    return out;
}

// The map to stdout, or to the file.
int deliver(const RegisterMap::Map& map, const RegmapArguments& args, const QByteArray& output)
{
    const QByteArray text = RegisterMapText::render(map, args.format).toUtf8();
    if (output.isEmpty()) {
        std::fwrite(text.constData(), 1, size_t(text.size()), stdout);
        return std::fflush(stdout) == 0 ? kSuccess : kTrouble;
    }
    if (const QString why = SaveFile::save(output, text); !why.isEmpty()) {
        say(why);
        return kTrouble;
    }
    say(QStringLiteral("saved %1 (%2 rows)").arg(TerminalText::fileName(output)).arg(map.rows.size()));
    return kSuccess;
}

// Reads the whole converter; nothing when the read stopped.
std::optional<Profile> readConverter(TComm& port, TrafficLogFile& log)
{
    NoView view;
    ConverterSession session(port, view);
    log.follow(session);
    ProfileRun run(session);
    QObject::connect(&run, &ProfileRun::progress, [](int step, int count, const QString& what) {
        std::fprintf(stderr, "[%d/%d] %s\n", step, count, qPrintable(what));
    });
    std::optional<Profile> out;
    QObject::connect(&run, &ProfileRun::finished, [&](bool ok, const QString& message) {
        if (ok) out = run.result();
        else say(QStringLiteral("stopped at ") + TerminalText::escaped(message));
        QCoreApplication::quit();
    });
    run.read();
    QCoreApplication::exec();
    return out;
}

} // namespace

namespace RegmapCommand {

bool requested(int argc, char** argv) { return RegmapCommandLine::requested(CommandLine::fromArgv(argc, argv)); }

int run(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    RegmapArguments args;
    if (const auto answer = RegmapCommandLine::read(app.arguments(), args)) return CommandLine::deliver(*answer);
    // Everything that can fail without the converter fails before it is asked anything.
    const auto instruments = loadInstruments(argc, argv, args.instruments);
    if (!instruments) return kTrouble;
    QByteArray output;
    if (!args.output.isEmpty()) {
        output = CommandLine::rawArgument(argc, argv, args.output);
        if (const QString why = SaveFile::checkFolder(output); !why.isEmpty()) {
            say(why);
            return kTrouble;
        }
    }
    if (!args.profile.isEmpty()) {
        const QByteArray path = CommandLine::rawArgument(argc, argv, args.profile);
        const auto profile = loadProfile(path);
        if (!profile) return kTrouble;
        RegisterMap::Map map = RegisterMap::build(*profile, *instruments, args.all);
        map.source = {RegisterMap::Source::ProfileFile, QFile::decodeName(path), {}};
        return deliver(map, args, output);
    }
    CommandPort line;
    if (const QString why = line.open(argc, argv, args); !why.isEmpty()) {
        say(why);
        return kTrouble;
    }
    const auto profile = readConverter(line.port, line.log);
    if (!profile) return line.exitCode(kTrouble);
    RegisterMap::Map map = RegisterMap::build(*profile, *instruments, args.all);
    map.source = {RegisterMap::Source::Converter, args.port, QDateTime::currentDateTime()};
    return line.exitCode(deliver(map, args, output));
}

} // namespace RegmapCommand
