#include "cli/InstrumentCommand.h"

#include "cli/InstrumentArguments.h"
#include "cli/InstrumentLoopTest.h"
#include "cli/InstrumentWriting.h"
#include "cli/PortOpening.h"
#include "files/SaveFile.h"
#include "instrument/InstrumentGroups.h"
#include "instrument/InstrumentRead.h"
#include "instrument/SnapshotFile.h"
#include "tools/Counted.h"
#include "tools/TerminalText.h"

#include <QCoreApplication>
#include <cstdio>

namespace {

constexpr int kSuccess = 0, kDiffers = 1, kTrouble = 2;

using CommandLine::say;

// The groups as text, with what the instrument sent made safe for a terminal.
void printGroups(const QJsonObject& snapshot)
{
    auto groups = InstrumentGroups::groups(snapshot);
    for (auto& g : groups)
        for (auto& row : g.rows) row.value = TerminalText::escaped(row.value);
    std::fputs(InstrumentGroups::text(groups).toUtf8().constData(), stdout);
}

int printDifferences(const QJsonObject& saved, const QJsonObject& now, const QString& file)
{
    const auto differences = SnapshotFile::compare(saved, now);
    if (differences.empty()) {
        say(QStringLiteral("no configuration differences from %1").arg(file));
        return kSuccess;
    }
    std::printf("\nDifferences from %s\n", qPrintable(file));
    std::printf("  %-34s %-24s %s\n", "key", "saved", "now");
    for (const auto& d : differences)
        std::printf("  %-34s %-24s %s\n", qPrintable(d.key), qPrintable(TerminalText::escaped(d.old)),
                    qPrintable(TerminalText::escaped(d.now)));
    say(counted(qint64(differences.size()), QStringLiteral("configuration key")) +
        (differences.size() == 1 ? QStringLiteral(" differs") : QStringLiteral(" differ")));
    return kDiffers;
}

struct Files {
    QByteArray save, compare; // by their bytes from argv
    std::optional<QJsonObject> saved;
};

int readOnPort(TComm& port, const InstrumentArguments& args, TrafficLogFile& log, const Files& files)
{
    NoView view;
    ConverterSession session(port, view, InstrumentRead::sessionOptions(args.timeoutMs, args.baud));
    log.follow(session);
    InstrumentRead::Options options;
    options.pollingAddress = args.pollingAddress;
    InstrumentRead read(session, options);
    QObject::connect(&read, &InstrumentRead::progress, [](int step, int steps, const QString& what) {
        std::fprintf(stderr, "[%d/%d] %s\n", step, steps, qPrintable(what));
    });
    int code = kTrouble;
    QObject::connect(&read, &InstrumentRead::finished, [&](InstrumentRead::End end) {
        QCoreApplication::quit();
        if (end == InstrumentRead::End::PortLost) return say(QStringLiteral("the port went away during the reading"));
        if (end == InstrumentRead::End::NoInstrument) {
            const bool silent = read.problem().startsWith(u"no answer");
            return say(read.problem() + (silent ? QStringLiteral("; the converter passes HART frames on in transparent "
                                                                 "mode (working mode 0) only")
                                                : QString()));
        }
        const QByteArray json = read.snapshot().toJson();
        const QJsonObject now = read.snapshot().document();
        printGroups(now);
        code = files.saved ? printDifferences(*files.saved, now, TerminalText::fileName(files.compare)) : kSuccess;
        if (!files.save.isEmpty()) {
            if (const QString why = SaveFile::save(files.save, json); !why.isEmpty()) {
                say(why);
                code = kTrouble;
            } else {
                say(QStringLiteral("saved %1").arg(TerminalText::fileName(files.save)));
            }
        }
    });
    read.start();
    QCoreApplication::exec();
    return code;
}

} // namespace

namespace InstrumentCommand {

bool requested(int argc, char** argv) { return InstrumentCommandLine::requested(CommandLine::fromArgv(argc, argv)); }

int run(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    InstrumentArguments args;
    if (const auto answer = InstrumentCommandLine::read(app.arguments(), args)) return CommandLine::deliver(*answer);
    // The files are checked before the port is touched: a reading is not made for nothing.
    std::optional<QJsonObject> applied;
    if (args.action == InstrumentArguments::Action::Apply) {
        QStringList problems;
        applied = SnapshotFile::load(CommandLine::rawArgument(argc, argv, args.applyFile), problems);
        if (!applied) {
            for (const QString& p : problems) say(p);
            return kTrouble;
        }
    }
    Files files;
    if (!args.compare.isEmpty()) {
        files.compare = CommandLine::rawArgument(argc, argv, args.compare);
        QStringList problems;
        files.saved = SnapshotFile::load(files.compare, problems);
        if (!files.saved) {
            for (const QString& p : problems) say(p);
            return kTrouble;
        }
    }
    if (!args.save.isEmpty()) {
        files.save = CommandLine::rawArgument(argc, argv, args.save);
        if (const QString why = SaveFile::checkFolder(files.save); !why.isEmpty()) {
            say(why);
            return kTrouble;
        }
    }
    CommandPort line;
    if (const QString why = line.open(argc, argv, args); !why.isEmpty()) {
        say(why);
        return kTrouble;
    }
    if (args.action == InstrumentArguments::Action::LoopTest)
        return line.exitCode(InstrumentLoopTest::run(line.port, args, line.log));
    if (args.action != InstrumentArguments::Action::Read)
        return line.exitCode(InstrumentWriting::run(line.port, args, line.log, applied));
    return line.exitCode(readOnPort(line.port, args, line.log, files));
}

} // namespace InstrumentCommand
