#include "cli/ReportArguments.h"

#include "tools/TerminalText.h"

#include <QCommandLineParser>
#include <QCoreApplication>

namespace ReportCommandLine {
namespace {

const QStringList kValueOptions{"--port", "--baud",  "--parity",     "--log",  "--profile",
                                "-o",     "--output", "--instrument", "--live", "--audit"};

CommandLine::Answer refuse(const QString& why) { return CommandLine::commandRefusal(QStringLiteral("report"), why); }

const char* const kHelp =
    "Usage: %1 report --profile FILE -o REPORT.pdf|REPORT.html [options]\n"
    "       %1 --port PORT [--baud N] [--parity P] [--log FILE] report -o REPORT [options]\n"
    "Writes a commissioning report, as PDF or HTML by the ending of -o's name: a title\n"
    "block with lines to fill in by hand (the board serial number, the engineer), the\n"
    "converter's settings in tables, its register map, a section for each instrument from\n"
    "its snapshot with the writes and loop tests the audit log recorded for it, and a live\n"
    "run's values. From a profile file, or from the converter on PORT, asked for its link\n"
    "check reply and read whole first. A PDF of more than two pages starts with contents.\n"
    "\n"
    "Options:\n"
    "  --profile FILE     report a profile file rather than the converter\n"
    "  -o, --output FILE  the report to write: FILE.pdf or FILE.html\n"
    "  --instrument FILE  an instrument snapshot (from 'instrument ADDR --save'); may be\n"
    "                     given more than once, one per polling address\n"
    "  --live FILE        a live run recorded as CSV (by 'monitor --csv' or Live Values)\n"
    "  --audit FILE       the audit log of instrument writes and loop tests (default: the\n"
    "                     desktop's own, ~/.local/share/vk742b/instrument-writes.log, when\n"
    "                     it exists)\n"
    "\n"
    "Messages go to stderr. Exit codes: 0 written; 2 trouble: bad arguments, a file that\n"
    "cannot be read, a port that does not open, a converter that does not answer, a\n"
    "failed save.\n";

} // namespace

bool requested(const QStringList& arguments) { return namesCommand(arguments, QStringLiteral("report"), kValueOptions); }

std::optional<CommandLine::Answer> read(const QStringList& arguments, ReportArguments& out)
{
    QCommandLineParser p;
    p.setSingleDashWordOptionMode(QCommandLineParser::ParseAsLongOptions);
    const QCommandLineOption help{{"h", "help"}, "Help."}, port{"port", "", "P"}, baud{"baud", "", "N"},
        parity{"parity", "", "P"}, log{"log", "", "FILE"}, profile{"profile", "", "FILE"},
        output{{"o", "output"}, "", "FILE"}, instrument{"instrument", "", "FILE"}, live{"live", "", "FILE"},
        audit{"audit", "", "FILE"};
    p.addOptions({help, port, baud, parity, log, profile, output, instrument, live, audit});
    if (!p.parse(arguments)) return refuse(p.errorText());
    if (const QString why = givenTwice(p, {"port", "baud", "parity", "log", "profile", "output", "live", "audit"});
        !why.isEmpty())
        return refuse(why);
    if (p.isSet(help)) return CommandLine::commandHelp(kHelp);
    const QStringList rest = p.positionalArguments();
    if (rest.value(0) != u"report") return refuse(QStringLiteral("expected the command 'report'."));
    if (rest.size() > 1) return refuse(QStringLiteral("unexpected argument '%1'.").arg(rest[1]));

    if (p.isSet(profile)) {
        if (p.isSet(port) || p.isSet(baud) || p.isSet(parity) || p.isSet(log))
            return refuse(QStringLiteral("report either a --profile FILE or the converter on --port, not both."));
        if ((out.profile = p.value(profile)).isEmpty()) return refuse(QStringLiteral("--profile takes a file name."));
    } else {
        if (!p.isSet(port)) return refuse(QStringLiteral("give --profile FILE, or --port PORT to read the converter."));
        if (const QString why = readLineArguments(p, out); !why.isEmpty()) return refuse(why);
    }
    out.output = p.value(output);
    const QString ending = out.output.section(u'.', -1).toLower();
    if (!out.output.contains(u'.') || !QStringList({"pdf", "html", "htm"}).contains(ending))
        return refuse(QStringLiteral("give -o a file name ending in .pdf or .html."));
    out.instruments = p.values(instrument);
    if (out.instruments.contains(QString())) return refuse(QStringLiteral("--instrument takes a file name."));
    if (p.isSet(live) && (out.live = p.value(live)).isEmpty()) return refuse(QStringLiteral("--live takes a file name."));
    if (p.isSet(audit) && (out.audit = p.value(audit)).isEmpty())
        return refuse(QStringLiteral("--audit takes a file name."));
    return std::nullopt;
}

} // namespace ReportCommandLine
