#include "cli/ProfileCommand.h"

#include "cli/CommandInputs.h"
#include "cli/CommandLine.h"
#include "cli/PortOpening.h"
#include "cli/TrafficLogFile.h"
#include "files/SaveFile.h"
#include "profile/Profile.h"
#include "profile/ProfileRun.h"
#include "serial/Comm.h"
#include "session/ConverterSession.h"
#include "tools/Counted.h"
#include "tools/TerminalText.h"

#include <QCoreApplication>
#include <cstdio>

namespace {

using TerminalText::escaped;

// Exit codes, as diff and cmp use them.
constexpr int kSuccess = 0, kDiffers = 1, kTrouble = 2;

using CommandLine::say;

// Prints the settings that differ; returns how many.
int printDifferences(const Profile& profile, const Profile& converter)
{
    int count = 0;
    for (const ProfileDifference& d : compareProfiles(profile, converter)) {
        if (d.same) continue;
        if (count++ == 0) std::printf("%-48s %-22s %s\n", "setting", "profile", "converter");
        std::printf("%-48s %-22s %s\n", qPrintable(d.key), qPrintable(escaped(d.profile)),
                    qPrintable(escaped(d.converter)));
    }
    return count;
}

struct Job {
    CommandLine::ProfileArguments args;
    QByteArray file; // the profile's name as the file system has it
    std::optional<Profile> profile;
};

// A write that stopped: what the converter holds now. With a setting that may have been
// applied, "nothing was applied" would be false.
void sayApplied(const ProfileRun& run)
{
    const QStringList& applied = run.applied();
    if (applied.isEmpty()) {
        say(run.uncertain().isEmpty() ? QStringLiteral("nothing was applied")
                                      : QStringLiteral("nothing before it was applied"));
        return;
    }
    say(QStringLiteral("already applied (%1): %2").arg(applied.size()).arg(applied.join(QStringLiteral(", "))));
}

// Runs the command on an open port; returns the exit code.
int runOnPort(TComm& port, const Job& job, TrafficLogFile& log)
{
    NoView view;
    ConverterSession session(port, view);
    log.follow(session);
    ProfileRun run(session);
    QObject::connect(&run, &ProfileRun::progress, [](int step, int count, const QString& what) {
        std::fprintf(stderr, "[%d/%d] %s\n", step, count, qPrintable(what));
    });
    const QString command = job.args.command;
    int code = kTrouble;
    QObject::connect(&run, &ProfileRun::finished, [&](bool ok, const QString& message) {
        if (!ok && run.written()) {
            say(escaped(message)); // every setting taken, but the new speed did not answer
        } else if (!ok) {
            say(QStringLiteral("stopped at ") + escaped(message));
            if (command == u"write") sayApplied(run);
        } else if (command == u"read") {
            const QString failed = SaveFile::save(job.file, run.result().toJson());
            if (failed.isEmpty()) {
                say(QStringLiteral("saved ") + TerminalText::fileName(job.file));
                code = kSuccess;
            } else {
                say(failed);
            }
        } else if (command == u"compare") {
            const int differences = printDifferences(*job.profile, run.result());
            say(differences ? counted(differences, QStringLiteral("setting")) +
                                  (differences == 1 ? QStringLiteral(" differs") : QStringLiteral(" differ"))
                            : QStringLiteral("the converter matches the profile"));
            code = differences ? kDiffers : kSuccess;
        } else {
            say(escaped(message));
            code = kSuccess;
        }
        QCoreApplication::quit();
    });
    if (command == u"write") run.write(*job.profile);
    else run.read();
    QCoreApplication::exec();
    return code;
}

} // namespace

namespace ProfileCommand {

bool requested(int argc, char** argv) { return CommandLine::wantsCommandLine(CommandLine::fromArgv(argc, argv)); }

int run(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    Job job;
    if (const auto refusal = CommandLine::readProfileArguments(app.arguments(), job.args))
        return CommandLine::deliver(*refusal);
    job.file = CommandLine::rawArgument(argc, argv, job.args.file);
    // Everything that can fail without the converter fails before it is asked anything.
    if (job.args.command == u"read") {
        if (const QString why = SaveFile::checkFolder(job.file); !why.isEmpty()) {
            say(why);
            return kTrouble;
        }
    } else if (!(job.profile = CommandInputs::loadProfile(job.file, QStringLiteral("; nothing was sent")))) {
        return kTrouble;
    }
    CommandPort line;
    if (const QString why = line.open(argc, argv, job.args); !why.isEmpty()) {
        say(why);
        return kTrouble;
    }
    return line.exitCode(runOnPort(line.port, job, line.log));
}

} // namespace ProfileCommand
