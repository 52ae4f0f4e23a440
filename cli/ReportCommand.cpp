#include "cli/ReportCommand.h"

#include "cli/CommandInputs.h"
#include "cli/PortOpening.h"
#include "cli/ReportArguments.h"
#include "files/SaveFile.h"
#include "report/ReportFile.h"
#include "tools/TerminalText.h"

#include <QFile>
#include <QGuiApplication>

namespace {

constexpr int kSuccess = 0, kTrouble = 2;

using CommandLine::say;

// What was recorded besides the snapshots: the live run and the audit log. False when a
// file that was named cannot be read.
bool loadRecords(int argc, char** argv, const ReportArguments& args, Report::Content& content)
{
    if (!args.live.isEmpty()) {
        const QByteArray path = CommandLine::rawArgument(argc, argv, args.live);
        QString problem;
        content.live = LiveSummary::load(path, problem);
        if (!content.live) {
            say(problem);
            return false;
        }
        content.liveFile = TerminalText::fileName(path);
    }
    const bool named = !args.audit.isEmpty();
    const QByteArray path = named ? CommandLine::rawArgument(argc, argv, args.audit) : AuditLog::defaultPath();
    if (!named && !QFile::exists(QFile::decodeName(path))) return true;
    QStringList problems;
    const bool read = Report::takeAudit(content, path, problems);
    for (const QString& p : problems) say(p);
    // A log named on the command line of which nothing can be read is trouble.
    return read || !named;
}

int write(const Report::Content& content, const QByteArray& output)
{
    const ReportFile::Saved saved = ReportFile::save(content, output);
    if (!saved.error.isEmpty()) {
        say(saved.error);
        return kTrouble;
    }
    const QString name = TerminalText::fileName(output);
    say(saved.pages ? QStringLiteral("saved %1 (%2 pages)").arg(name).arg(saved.pages) : QStringLiteral("saved %1").arg(name));
    return kSuccess;
}

} // namespace

namespace ReportCommand {

bool requested(int argc, char** argv) { return ReportCommandLine::requested(CommandLine::fromArgv(argc, argv)); }

int run(int argc, char** argv)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    ReportArguments args;
    if (const auto answer = ReportCommandLine::read(app.arguments(), args)) return CommandLine::deliver(*answer);
    // Everything that can fail without the converter fails before it is asked anything.
    const auto snapshots = CommandInputs::loadSnapshots(argc, argv, args.instruments);
    if (!snapshots) return kTrouble;
    Report::Content content;
    for (const auto& [path, snapshot] : *snapshots) content.instruments.push_back({TerminalText::fileName(path), snapshot});
    if (!loadRecords(argc, argv, args, content)) return kTrouble;
    const QByteArray output = CommandLine::rawArgument(argc, argv, args.output);
    if (const QString why = SaveFile::checkFolder(output); !why.isEmpty()) {
        say(why);
        return kTrouble;
    }

    const auto finish = [&](const Profile& profile, const RegisterMap::Source& source, const QString& identity) {
        Report::settle(content, profile, source);
        content.converter = identity;
        return write(content, output);
    };
    if (!args.profile.isEmpty()) {
        const QByteArray path = CommandLine::rawArgument(argc, argv, args.profile);
        const auto profile = CommandInputs::loadProfile(path);
        if (!profile) return kTrouble;
        return finish(*profile, {RegisterMap::Source::ProfileFile, QFile::decodeName(path), {}}, {});
    }
    CommandPort line;
    if (const QString why = line.open(argc, argv, args); !why.isEmpty()) {
        say(why);
        return kTrouble;
    }
    const auto converter = CommandInputs::readConverter(line.port, line.log, true);
    if (!converter) return line.exitCode(kTrouble);
    return line.exitCode(finish(converter->profile, {RegisterMap::Source::Converter, args.port, QDateTime::currentDateTime()},
                                converter->identity));
}

} // namespace ReportCommand
