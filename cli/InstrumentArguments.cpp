#include "cli/InstrumentArguments.h"

#include "tools/TerminalText.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <algorithm>

namespace InstrumentCommandLine {
namespace {

const char* const kValueOptions[] = {"--port", "--baud", "--parity", "--log", "--save", "--compare", "--timeout"};

// The refusal quotes what was typed: its control characters are shown escaped.
CommandLine::Answer refuse(const QString& why)
{
    const QString name = QCoreApplication::applicationName();
    return {2, {}, QStringLiteral("%1 instrument: %2\nTry '%1 instrument --help' for more information.\n")
                       .arg(name, TerminalText::escaped(why))};
}

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
    "Options:\n"
    "  --save FILE      also save what was read as a snapshot (JSON), the record 'as found'\n"
    "  --compare FILE   also compare with a saved snapshot and print each configuration key\n"
    "                   that differs, with its saved and its present value; diagnostics, the\n"
    "                   time of reading and the variables' live values never differ\n"
    "  --timeout MS     how long each request waits for its reply, 100 to 60000 (default\n"
    "                   2000)\n"
    "  --log FILE       write every frame sent and received to FILE\n"
    "\n"
    "Messages go to stderr. Exit codes: 0 read (and, with --compare, the same); 1 --compare\n"
    "found differences; 2 trouble: bad arguments, no answer at ADDR, a snapshot that cannot\n"
    "be read or saved, a port that cannot open or that went away. A command the instrument\n"
    "refuses or does not implement is no trouble: its keys are null in the snapshot.\n";

} // namespace

bool requested(const QStringList& arguments)
{
    for (qsizetype i = 1; i < arguments.size(); ++i) {
        const QString& a = arguments[i];
        if (!a.startsWith(u'-')) return a == u"instrument";
        if (!a.contains(u'=') && std::any_of(std::begin(kValueOptions), std::end(kValueOptions),
                                             [&](const char* o) { return a == QLatin1String(o); }))
            ++i;
    }
    return false;
}

std::optional<CommandLine::Answer> read(const QStringList& arguments, InstrumentArguments& out)
{
    QCommandLineParser p;
    p.setSingleDashWordOptionMode(QCommandLineParser::ParseAsLongOptions);
    const QCommandLineOption help{{"h", "help"}, "Help."}, port{"port", "", "P"}, baud{"baud", "", "N"},
        parity{"parity", "", "P"}, log{"log", "", "FILE"}, save{"save", "", "FILE"}, compare{"compare", "", "FILE"},
        timeout{"timeout", "", "MS"};
    p.addOptions({help, port, baud, parity, log, save, compare, timeout});
    if (!p.parse(arguments)) return refuse(p.errorText());
    if (const QString why = givenTwice(p, {"port", "baud", "parity", "log", "save", "compare", "timeout"}); !why.isEmpty())
        return refuse(why);
    if (p.isSet(help)) return CommandLine::Answer{0, QString::fromLatin1(kHelp).arg(QCoreApplication::applicationName()), {}};
    const QStringList rest = p.positionalArguments();
    if (rest.value(0) != u"instrument") return refuse(QStringLiteral("expected the command 'instrument'."));
    if (rest.size() < 2) return refuse(QStringLiteral("name the instrument's polling address, 0 to 63."));
    if (rest.size() > 2) return refuse(QStringLiteral("unexpected argument '%1'.").arg(rest[2]));
    bool ok = false;
    out.pollingAddress = rest[1].toInt(&ok);
    if (!ok || out.pollingAddress < 0 || out.pollingAddress > 63)
        return refuse(QStringLiteral("the polling address is 0 to 63, not '%1'.").arg(rest[1]));

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
