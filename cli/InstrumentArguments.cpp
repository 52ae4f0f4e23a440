#include "cli/InstrumentArguments.h"

#include "instrument/WritableSettings.h"
#include "tools/TerminalText.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <algorithm>

namespace InstrumentCommandLine {
namespace {

const QStringList kValueOptions{"--port", "--baud", "--parity", "--log", "--save", "--compare", "--timeout", "--keys", "--audit", "--hold"};

CommandLine::Answer refuse(const QString& why) { return CommandLine::commandRefusal(QStringLiteral("instrument"), why); }

const char* const kHelp =
    "Usage: %1 --port PORT [--baud N] [--parity P] instrument ADDR [options]\n"
    "Reads the HART instrument at polling address ADDR (0 to 63) through the converter in\n"
    "transparent mode, the way a handheld does: identity (command 0), loop configuration (7),\n"
    "classifications (8), message (12), tag, descriptor and date (13), sensor (14), PV output\n"
    "(15), final assembly number (16), long tag (20), additional status (48), variable\n"
    "assignments (50) and the device variables (9, or 33 before HART 6). Each request is\n"
    "tried once more when it goes unanswered. Only reads.\n"
    "\n"
    "Prints the instrument's settings and diagnostics in groups on stdout.\n"
    "\n"
    "  instrument ADDR set KEY=VALUE...   writes settings: tag, long_tag, descriptor,\n"
    "                   message, date (YYYY-MM-DD), range (LOWER:UPPER in the range's unit),\n"
    "                   unit (a code or a name: 12, kPa, m3/h, degC), damping (seconds),\n"
    "                   transfer_function (a code or a name), polling_address (0 to 63),\n"
    "                   loop_current_mode (enabled or disabled)\n"
    "  instrument ADDR apply FILE          writes the settings of a snapshot that differ\n"
    "                   from the instrument's; the tag, long tag and polling address only\n"
    "                   when the snapshot is of this instrument (its device ID), or when\n"
    "                   named with --keys\n"
    "  instrument ADDR loop-test MA [MA...]  fixes the loop current at each current (3 to\n"
    "                   24 mA, command 40) for --hold seconds, printing the current the\n"
    "                   instrument says it set; then, whatever happens (the end, a refused\n"
    "                   step, SIGINT or SIGTERM, a port that goes away and comes back),\n"
    "                   leaves fixed current mode and checks with command 3 that it did.\n"
    "                   Put the loop in manual at the control system first. Each current\n"
    "                   and the leaving of fixed current mode go to the audit log.\n"
    "Every write first reads the instrument and refuses when it is write-protected, shows\n"
    "the plan (old and new values, and what moves beyond the instrument) and asks before\n"
    "writing; then reads the instrument back, and a setting that reads back otherwise\n"
    "than asked is an error. One line per setting goes to the audit log.\n"
    "\n"
    "Options:\n"
    "  --save FILE      also save what was read as a snapshot (JSON), the record 'as found'\n"
    "  --compare FILE   also compare with a saved snapshot and print each configuration key\n"
    "                   that differs, with its saved and its present value; diagnostics, the\n"
    "                   time of reading and the variables' live values never differ\n"
    "  --timeout MS     how long each request waits for its reply, 100 to 60000 (default\n"
    "                   2000)\n"
    "  --log FILE       write every frame sent and received to FILE\n"
    "  --yes            write without asking; without it a terminal is asked, and otherwise\n"
    "                   the plan is printed and nothing is written (exit 2)\n"
    "  --keys K,K       apply only these keys\n"
    "  --reset-changed-flag  after a good write, reset the instrument's configuration\n"
    "                   changed flag (command 38); the flag tells asset management that\n"
    "                   something changed, so it is kept unless this is given\n"
    "  --audit FILE     the audit log (default ~/.local/share/vk742b/instrument-writes.log)\n"
    "  --hold SECONDS   how long the loop test holds each current, 1 to 3600 (default 10)\n"
    "\n"
    "Messages go to stderr. Exit codes: 0 read (and, with --compare, the same), or every\n"
    "setting written and read back as asked; 1 --compare found differences, or a setting\n"
    "was set to the nearest value the instrument allows; 2 trouble: bad arguments, no\n"
    "answer at ADDR, a snapshot that cannot be read or saved, a write refused, unanswered,\n"
    "not confirmed or read back otherwise, a loop test that did not complete, an audit log\n"
    "that cannot be written, a port that cannot open or that went away. A\n"
    "command the instrument refuses or does not implement while reading is no trouble: its\n"
    "keys are null in the snapshot.\n";

} // namespace

bool requested(const QStringList& arguments) { return namesCommand(arguments, QStringLiteral("instrument"), kValueOptions); }

std::optional<CommandLine::Answer> read(const QStringList& arguments, InstrumentArguments& out)
{
    QCommandLineParser p;
    p.setSingleDashWordOptionMode(QCommandLineParser::ParseAsLongOptions);
    const QCommandLineOption help{{"h", "help"}, "Help."}, port{"port", "", "P"}, baud{"baud", "", "N"},
        parity{"parity", "", "P"}, log{"log", "", "FILE"}, save{"save", "", "FILE"}, compare{"compare", "", "FILE"},
        timeout{"timeout", "", "MS"}, yes{"yes", ""}, keys{"keys", "", "K"}, reset{"reset-changed-flag", ""},
        audit{"audit", "", "FILE"}, hold{"hold", "", "SECONDS"};
    p.addOptions({help, port, baud, parity, log, save, compare, timeout, yes, keys, reset, audit, hold});
    if (!p.parse(arguments)) return refuse(p.errorText());
    if (const QString why = givenTwice(p, {"port", "baud", "parity", "log", "save", "compare", "timeout", "keys", "audit", "hold"});
        !why.isEmpty())
        return refuse(why);
    if (p.isSet(help)) return CommandLine::commandHelp(kHelp);
    const QStringList rest = p.positionalArguments();
    if (rest.value(0) != u"instrument") return refuse(QStringLiteral("expected the command 'instrument'."));
    if (rest.size() < 2) return refuse(QStringLiteral("name the instrument's polling address, 0 to 63."));
    bool ok = false;
    out.pollingAddress = rest[1].toInt(&ok);
    if (!ok || out.pollingAddress < 0 || out.pollingAddress > 63)
        return refuse(QStringLiteral("the polling address is 0 to 63, not '%1'.").arg(rest[1]));
    const QString action = rest.value(2);
    const QStringList operands = rest.mid(3);
    if (action.isEmpty()) {
        out.action = InstrumentArguments::Action::Read;
    } else if (action == u"set") {
        out.action = InstrumentArguments::Action::Set;
        if (operands.isEmpty()) return refuse(QStringLiteral("set takes KEY=VALUE, one or more."));
        WritableSettings::Settings check;
        for (const QString& a : operands)
            if (const QString why = WritableSettings::assign(check, a); !why.isEmpty()) return refuse(why + u'.');
        out.assignments = operands;
    } else if (action == u"apply") {
        out.action = InstrumentArguments::Action::Apply;
        if (operands.size() != 1) return refuse(QStringLiteral("apply takes one snapshot FILE."));
        out.applyFile = operands[0];
    } else if (action == u"loop-test") {
        out.action = InstrumentArguments::Action::LoopTest;
        if (operands.isEmpty()) return refuse(QStringLiteral("loop-test takes one or more currents in mA, such as 4 12 20."));
        for (const QString& o : operands) {
            const float mA = o.toFloat(&ok);
            if (!ok || !(mA >= 3.0f && mA <= 24.0f))
                return refuse(QStringLiteral("loop-test takes currents from 3 to 24 mA, not '%1'.").arg(o));
            out.currents.push_back(mA);
        }
    } else {
        return refuse(QStringLiteral("unexpected argument '%1'; after ADDR come set, apply or loop-test, or nothing.").arg(action));
    }
    if (p.isSet(hold)) {
        if (out.action != InstrumentArguments::Action::LoopTest) return refuse(QStringLiteral("--hold goes with loop-test."));
        out.holdS = p.value(hold).toInt(&ok);
        if (!ok || out.holdS < 1 || out.holdS > 3600)
            return refuse(QStringLiteral("--hold takes seconds, 1 to 3600, not '%1'.").arg(p.value(hold)));
    }
    const bool writing = out.action != InstrumentArguments::Action::Read;
    if (writing && (p.isSet(save) || p.isSet(compare)))
        return refuse(QStringLiteral("--save and --compare go with a reading, not with %1.").arg(action));
    const bool loopTest = out.action == InstrumentArguments::Action::LoopTest;
    if ((!writing && (p.isSet(yes) || p.isSet(audit))) || ((!writing || loopTest) && p.isSet(reset)))
        return refuse(QStringLiteral("--yes and --audit go with set, apply and loop-test; --reset-changed-flag with set "
                                     "and apply."));
    if (p.isSet(keys) && out.action != InstrumentArguments::Action::Apply)
        return refuse(QStringLiteral("--keys goes with apply."));
    out.yes = p.isSet(yes);
    out.resetChangedFlag = p.isSet(reset);
    if (p.isSet(audit) && (out.audit = p.value(audit)).isEmpty()) return refuse(QStringLiteral("--audit takes a file name."));
    for (const QString& k : p.value(keys).split(u',', Qt::SkipEmptyParts)) {
        if (!WritableSettings::named(k)) return refuse(QStringLiteral("--keys: '%1' is no writable setting.").arg(k));
        out.keys << k;
    }

    if (const QString why = readLineArguments(p, out); !why.isEmpty()) return refuse(why);
    for (const auto& [option, value] : {std::pair{&save, &out.save}, std::pair{&compare, &out.compare}}) {
        if (!p.isSet(*option)) continue;
        *value = p.value(*option);
        if (value->isEmpty()) return refuse(QStringLiteral("--%1 takes a file name.").arg(option->names().first()));
    }
    if (p.isSet(timeout)) {
        out.timeoutMs = p.value(timeout).toInt(&ok);
        if (!ok || out.timeoutMs < 100 || out.timeoutMs > 60000)
            return refuse(QStringLiteral("--timeout takes milliseconds, 100 to 60000, not '%1'.").arg(p.value(timeout)));
    }
    return std::nullopt;
}

} // namespace InstrumentCommandLine
