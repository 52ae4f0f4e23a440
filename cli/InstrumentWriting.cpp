#include "cli/InstrumentWriting.h"

#include "cli/TerminalQuestion.h"
#include "cli/TrafficLogFile.h"
#include "files/FileNames.h"
#include "instrument/InstrumentWriteRun.h"
#include "instrument/SnapshotFile.h"
#include "serial/Comm.h"
#include "tools/TerminalText.h"

#include <QCoreApplication>
#include <QFile>
#include <cstdio>
#include <unistd.h>

namespace InstrumentWriting {
namespace {

constexpr int kSuccess = 0, kNearest = 1, kTrouble = 2;

using CommandLine::say;

QString safe(const QString& s) { return TerminalText::escaped(s); }

void printPlan(const WritableSettings::Plan& plan)
{
    std::printf("%-20s %-28s %s\n", "setting", "now", "new");
    for (const auto& c : plan.changes)
        std::printf("%-20s %-28s %s\n", qPrintable(WritableSettings::name(c.key)), qPrintable(safe(c.old)),
                    qPrintable(safe(c.wanted)));
    for (const QString& w : plan.warnings) std::printf("warning: %s\n", qPrintable(w));
    std::fflush(stdout);
}

// What set asks: the assignments, over nothing.
WritableSettings::Settings assigned(const QStringList& assignments)
{
    WritableSettings::Settings s;
    for (const QString& a : assignments) WritableSettings::assign(s, a); // checked with the arguments
    return s;
}

// What apply asks: the snapshot's writable settings, without those that belong to one
// instrument alone when the snapshot is of another, and only the keys named. A setting this
// instrument does not report (a HART 5 instrument's long tag or loop current mode) could
// not be read back, so it is left alone unless named.
WritableSettings::Settings fromFile(const QJsonObject& file, const QJsonObject& now, const QStringList& keys)
{
    using WritableSettings::Key;
    WritableSettings::Settings s = WritableSettings::fromSnapshot(file);
    const WritableSettings::Settings held = WritableSettings::fromSnapshot(now);
    auto id = [](const QJsonObject& o) { return o.value("identity").toObject().value("device_id"); };
    const bool same = id(file) == id(now) && id(now).isString();
    auto reported = [&](Key k) { return WritableSettings::text(held, k) != u"-"; };
    auto keep = [&](Key k) {
        if (!keys.isEmpty()) return keys.contains(WritableSettings::name(k));
        return reported(k) && (same || (k != Key::Tag && k != Key::LongTag && k != Key::PollingAddress));
    };
    WritableSettings::Settings out;
    if (keep(Key::Tag)) out.tag = s.tag;
    if (keep(Key::LongTag)) out.longTag = s.longTag;
    if (keep(Key::Descriptor)) out.descriptor = s.descriptor;
    if (keep(Key::Message)) out.message = s.message;
    if (keep(Key::Date)) out.date = s.date;
    if (keep(Key::Unit)) out.unit = s.unit;
    if (keep(Key::Range)) out.lower = s.lower, out.upper = s.upper;
    if (keep(Key::Damping)) out.damping = s.damping;
    if (keep(Key::TransferFunction)) out.transferFunction = s.transferFunction;
    if (keep(Key::PollingAddress)) out.pollingAddress = s.pollingAddress;
    if (keep(Key::LoopCurrentMode)) out.loopCurrentEnabled = s.loopCurrentEnabled;
    return out;
}

} // namespace

int run(TComm& port, const InstrumentArguments& args, TrafficLogFile& log, const std::optional<QJsonObject>& applied)
{
    NoView view;
    ConverterSession session(port, view, InstrumentRead::sessionOptions(args.timeoutMs, args.baud));
    log.follow(session);
    InstrumentWriteRun::Options options;
    options.read.pollingAddress = args.pollingAddress;
    options.resetChangedFlag = args.resetChangedFlag;
    options.port = args.port;
    if (!args.audit.isEmpty()) options.auditPath = QFile::encodeName(args.audit);
    const QStringList keys = args.keys, assignments = args.assignments;
    InstrumentWriteRun::Wanted wanted = applied ? InstrumentWriteRun::Wanted([file = *applied, keys](const QJsonObject& now) {
        return fromFile(file, now, keys);
    })
                                                : InstrumentWriteRun::Wanted([assignments](const QJsonObject&) {
                                                      return assigned(assignments);
                                                  });
    InstrumentWriteRun run(session, options, wanted);
    QObject::connect(&run, &InstrumentWriteRun::progress, [](const QString& what) { std::fprintf(stderr, "%s\n", qPrintable(what)); });
    QObject::connect(&run, &InstrumentWriteRun::planned, [&](const WritableSettings::Plan& plan) {
        printPlan(plan);
        if (args.yes || askedYes("Write these settings to the instrument?")) return run.confirm(true);
        if (!::isatty(STDIN_FILENO)) say(QStringLiteral("give --yes to write without asking"));
        run.confirm(false);
    });
    int code = kTrouble;
    QObject::connect(&run, &InstrumentWriteRun::finished, [&](InstrumentWriteRun::End end) {
        QCoreApplication::quit();
        for (const QString& m : run.messages()) say(safe(m));
        switch (end) {
        case InstrumentWriteRun::End::NothingToWrite:
            say(QStringLiteral("nothing to write: the instrument holds these values"));
            code = kSuccess;
            return;
        case InstrumentWriteRun::End::Written:
        case InstrumentWriteRun::End::Nearest: {
            std::printf("\nRead back\n");
            for (const auto& d : SnapshotFile::compare(run.before(), run.after()))
                std::printf("  %-34s %-24s %s\n", qPrintable(d.key), qPrintable(safe(d.old)), qPrintable(safe(d.now)));
            say(end == InstrumentWriteRun::End::Written ? QStringLiteral("written and read back as asked")
                                                        : QStringLiteral("written; some setting was set to the nearest allowed value"));
            code = end == InstrumentWriteRun::End::Written ? kSuccess : kNearest;
            return;
        }
        case InstrumentWriteRun::End::PortLost: say(QStringLiteral("the port went away")); return;
        default: return;
        }
    });
    run.start();
    QCoreApplication::exec();
    return code;
}

} // namespace InstrumentWriting
