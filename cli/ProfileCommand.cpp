#include "cli/ProfileCommand.h"

#include "cli/CommandLine.h"
#include "cli/PortOpening.h"
#include "cli/ScanCommand.h"
#include "exchange/ExchangeView.h"
#include "profile/Profile.h"
#include "profile/ProfileRun.h"
#include "serial/Comm.h"
#include "session/ConverterSession.h"

#include <QCoreApplication>
#include <QFile>
#include <QSaveFile>
#include <cstdio>
#include <cstring>

namespace {

const char* const kCommands[] = {"read", "write", "compare", "scan"};

void say(const QString& text) { std::fprintf(stderr, "vk742b-config: %s\n", qPrintable(text)); }

std::optional<Profile> loadProfile(const QString& path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        say(QStringLiteral("cannot read %1: %2").arg(path, file.errorString()));
        return std::nullopt;
    }
    QStringList problems;
    auto profile = Profile::fromJson(file.readAll(), problems);
    if (!profile) {
        say(QStringLiteral("%1 is not a profile this program can use; nothing was sent:").arg(path));
        for (const QString& p : problems) std::fprintf(stderr, "  %s\n", qPrintable(p));
    }
    return profile;
}

bool saveProfile(const Profile& profile, const QString& path)
{
    QSaveFile file(path);
    if (file.open(QIODevice::WriteOnly) && file.write(profile.toJson()) >= 0 && file.commit()) return true;
    say(QStringLiteral("cannot write %1: %2").arg(path, file.errorString()));
    return false;
}

// Prints the settings that differ; returns how many.
int printDifferences(const Profile& profile, const Profile& converter)
{
    int count = 0;
    for (const ProfileDifference& d : compareProfiles(profile, converter)) {
        if (d.same) continue;
        if (count++ == 0) std::printf("%-48s %-22s %s\n", "setting", "profile", "converter");
        std::printf("%-48s %-22s %s\n", qPrintable(d.key), qPrintable(d.profile), qPrintable(d.converter));
    }
    return count;
}

// Runs the command on an open port; returns the exit code.
int runOnPort(TComm& port, const CommandLine::ProfileArguments& args, const std::optional<Profile>& profile)
{
    NoView view;
    ConverterSession session(port, view);
    ProfileRun run(session);
    QObject::connect(&run, &ProfileRun::progress, [](int step, int count, const QString& what) {
        std::fprintf(stderr, "[%d/%d] %s\n", step, count, qPrintable(what));
    });
    int code = 1;
    QObject::connect(&run, &ProfileRun::finished, [&](bool ok, const QString& message) {
        if (!ok) {
            // A write whose every setting was taken but whose new speed did not answer.
            if (run.written()) {
                say(message);
                code = 2;
            } else {
                say(QStringLiteral("stopped at ") + message);
            }
        } else if (args.command == u"read") {
            code = saveProfile(run.result(), args.file) ? 0 : 1;
        } else if (args.command == u"compare") {
            const int differences = printDifferences(*profile, run.result());
            say(differences ? QStringLiteral("%1 settings differ").arg(differences)
                            : QStringLiteral("the converter matches the profile"));
            code = differences ? 1 : 0;
        } else {
            say(message);
            code = 0;
        }
        QCoreApplication::quit();
    });
    if (args.command == u"write") run.write(*profile);
    else run.read();
    QCoreApplication::exec();
    return code;
}

} // namespace

namespace ProfileCommand {

bool requested(int argc, char** argv)
{
    for (int i = 1; i < argc; ++i) {
        for (const char* c : kCommands)
            if (std::strcmp(argv[i], c) == 0) return true;
        if (std::strncmp(argv[i], "--port", 6) == 0) return true;
    }
    return false;
}

int run(int argc, char** argv)
{
    if (ScanCommand::requested(argc, argv)) return ScanCommand::run(argc, argv);
    QCoreApplication app(argc, argv);
    CommandLine::ProfileArguments args;
    if (const auto refusal = CommandLine::readProfileArguments(app.arguments(), args))
        return CommandLine::deliver(*refusal);
    std::optional<Profile> profile;
    if (args.command != u"read" && !(profile = loadProfile(args.file))) return 2;

    TComm port;
    if (const QString why = openCommandLinePort(port, args.port, args.baud.toUInt(), args.parity); !why.isEmpty()) {
        say(QStringLiteral("cannot open %1: %2").arg(args.port, why));
        return 1;
    }
    const int code = runOnPort(port, args, profile);
    port.ClosePort();
    return code;
}

} // namespace ProfileCommand
