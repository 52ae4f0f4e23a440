#include "cli/RegmapCommand.h"

#include "cli/CommandInputs.h"
#include "cli/PortOpening.h"
#include "cli/RegmapArguments.h"
#include "files/SaveFile.h"
#include "regmap/RegisterMapText.h"
#include "tools/TerminalText.h"

#include <QCoreApplication>
#include <QFile>
#include <cstdio>

namespace {

constexpr int kSuccess = 0, kTrouble = 2;

using CommandLine::say;

// The snapshots' tags and units by polling address.
RegisterMap::Instruments tagsOf(const CommandInputs::Snapshots& snapshots)
{
    RegisterMap::Instruments out;
    for (const auto& [path, snapshot] : snapshots)
        if (const auto instrument = RegisterMap::fromSnapshot(snapshot)) out.emplace(instrument->first, instrument->second);
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

} // namespace

namespace RegmapCommand {

bool requested(int argc, char** argv) { return RegmapCommandLine::requested(CommandLine::fromArgv(argc, argv)); }

int run(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    RegmapArguments args;
    if (const auto answer = RegmapCommandLine::read(app.arguments(), args)) return CommandLine::deliver(*answer);
    // Everything that can fail without the converter fails before it is asked anything.
    const auto snapshots = CommandInputs::loadSnapshots(argc, argv, args.instruments);
    if (!snapshots) return kTrouble;
    const RegisterMap::Instruments instruments = tagsOf(*snapshots);
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
        const auto profile = CommandInputs::loadProfile(path);
        if (!profile) return kTrouble;
        RegisterMap::Map map = RegisterMap::build(*profile, instruments, args.all);
        map.source = {RegisterMap::Source::ProfileFile, QFile::decodeName(path), {}};
        return deliver(map, args, output);
    }
    CommandPort line;
    if (const QString why = line.open(argc, argv, args); !why.isEmpty()) {
        say(why);
        return kTrouble;
    }
    const auto converter = CommandInputs::readConverter(line.port, line.log);
    if (!converter) return line.exitCode(kTrouble);
    RegisterMap::Map map = RegisterMap::build(converter->profile, instruments, args.all);
    map.source = {RegisterMap::Source::Converter, args.port, QDateTime::currentDateTime()};
    return line.exitCode(deliver(map, args, output));
}

} // namespace RegmapCommand
