#include "cli/RegmapArguments.h"

#include "regmap/RegisterMapText.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <algorithm>

namespace RegmapCommandLine {
namespace {

const QStringList kValueOptions{"--port", "--baud", "--parity", "--log", "--profile", "--format", "-o",
                                     "--output", "--instrument"};

CommandLine::Answer refuse(const QString& why) { return CommandLine::commandRefusal(QStringLiteral("regmap"), why); }

const char* const kHelp =
    "Usage: %1 regmap --profile FILE [options]\n"
    "       %1 --port PORT [--baud N] [--parity P] [--log FILE] regmap [options]\n"
    "Prints the converter's register map: one row for each value (loop current, variables\n"
    "1 to 4) of every enabled device slot, with its holding register (40001 + 10 x slot +\n"
    "2 x value) and 0-based address, function 3, two registers, the slot's meter type, the\n"
    "polling address it polls in multi-slave mode, the register format, its data type and\n"
    "word order, and the two words that carry 100. From a profile file, or from the\n"
    "converter on PORT, read whole first. Markdown and HTML also give the slave address,\n"
    "working mode and both ports' line settings and base addresses.\n"
    "\n"
    "Options:\n"
    "  --profile FILE     map a profile file rather than the converter\n"
    "  --format F         csv (the default, rows only), md (Markdown) or html; without it,\n"
    "                     -o FILE's ending (.csv, .md, .html) chooses\n"
    "  -o, --output FILE  write the map to FILE rather than stdout\n"
    "  --all              the disabled slots' rows too, marked \"(disabled)\"\n"
    "  --instrument FILE  an instrument snapshot (from 'instrument ADDR --save'): its tag\n"
    "                     and units go in the rows of the slot that polls it; may be given\n"
    "                     more than once\n"
    "\n"
    "Messages go to stderr. Exit codes: 0 written; 2 trouble: bad arguments, a profile or\n"
    "snapshot that cannot be read, a port that does not open, a converter that does not\n"
    "answer, a failed save.\n";

} // namespace

bool requested(const QStringList& arguments) { return namesCommand(arguments, QStringLiteral("regmap"), kValueOptions); }

std::optional<CommandLine::Answer> read(const QStringList& arguments, RegmapArguments& out)
{
    QCommandLineParser p;
    p.setSingleDashWordOptionMode(QCommandLineParser::ParseAsLongOptions);
    const QCommandLineOption help{{"h", "help"}, "Help."}, port{"port", "", "P"}, baud{"baud", "", "N"},
        parity{"parity", "", "P"}, log{"log", "", "FILE"}, profile{"profile", "", "FILE"}, format{"format", "", "F"},
        output{{"o", "output"}, "", "FILE"}, all{"all", ""}, instrument{"instrument", "", "FILE"};
    p.addOptions({help, port, baud, parity, log, profile, format, output, all, instrument});
    if (!p.parse(arguments)) return refuse(p.errorText());
    if (const QString why = givenTwice(p, {"port", "baud", "parity", "log", "profile", "format", "output"});
        !why.isEmpty())
        return refuse(why);
    if (p.isSet(help)) return CommandLine::commandHelp(kHelp);
    const QStringList rest = p.positionalArguments();
    if (rest.value(0) != u"regmap") return refuse(QStringLiteral("expected the command 'regmap'."));
    if (rest.size() > 1) return refuse(QStringLiteral("unexpected argument '%1'.").arg(rest[1]));

    if (p.isSet(profile)) {
        if (p.isSet(port) || p.isSet(baud) || p.isSet(parity) || p.isSet(log))
            return refuse(QStringLiteral("map either a --profile FILE or the converter on --port, not both."));
        if ((out.profile = p.value(profile)).isEmpty()) return refuse(QStringLiteral("--profile takes a file name."));
    } else {
        if (!p.isSet(port)) return refuse(QStringLiteral("give --profile FILE, or --port PORT to read the converter."));
        if (const QString why = readLineArguments(p, out); !why.isEmpty()) return refuse(why);
    }
    if (p.isSet(output) && (out.output = p.value(output)).isEmpty())
        return refuse(QStringLiteral("-o takes a file name."));
    if (p.isSet(format)) {
        out.format = p.value(format).toLower();
        if (out.format == u"markdown") out.format = QStringLiteral("md");
        if (!QStringList({"csv", "md", "html"}).contains(out.format))
            return refuse(QStringLiteral("--format takes csv, md or html, not '%1'.").arg(p.value(format)));
    } else {
        out.format = RegisterMapText::formatForFile(out.output);
    }
    out.all = p.isSet(all);
    out.instruments = p.values(instrument);
    if (out.instruments.contains(QString())) return refuse(QStringLiteral("--instrument takes a file name."));
    return std::nullopt;
}

} // namespace RegmapCommandLine
