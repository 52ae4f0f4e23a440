#include "cli/MonitorArguments.h"

#include "cli/LineArguments.h"
#include "live/LiveSampler.h"

#include "tools/TerminalText.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <algorithm>
#include <limits>

namespace MonitorCommandLine {
namespace {

const QStringList kValueOptions{"--port", "--baud", "--parity", "--slave", "--slots", "--formats",
                                     "--profile", "--hart", "--interval", "--count", "--csv", "--log"};
const char* const kValueNames[RegisterFormat::kValues] = {"current", "variable 1", "variable 2", "variable 3",
                                                          "variable 4"};

CommandLine::Answer refuse(const QString& why) { return CommandLine::commandRefusal(QStringLiteral("monitor"), why); }

// A whole number within [low, high]; nothing otherwise.
std::optional<int> number(const QString& text, int low, int high)
{
    bool ok = false;
    const int n = text.trimmed().toInt(&ok);
    if (!ok || n < low || n > high) return std::nullopt;
    return n;
}

// "0,2": distinct numbers within [low, high]; empty on success, else what is wrong.
QString readList(const QString& option, const QString& text, int low, int high, std::vector<int>& out)
{
    out.clear();
    for (const QString& part : text.split(u',')) {
        const auto n = number(part, low, high);
        if (!n)
            return QStringLiteral("%1 takes numbers from %2 to %3 separated by commas, not '%4'.")
                .arg(option).arg(low).arg(high).arg(text);
        if (std::find(out.begin(), out.end(), *n) != out.end())
            return QStringLiteral("%1 names %2 twice.").arg(option).arg(*n);
        out.push_back(*n);
    }
    return {};
}

const char* const kHelp =
    "Usage: %1 --port PORT [--baud N] [--parity P] monitor [options]\n"
    "Polls live values and writes them as CSV, one row per cycle: what a PLC reads from the\n"
    "converter's MODBUS registers (working modes 1 and 2) and what HART instruments answer to\n"
    "command 3 (transparent mode 0). Runs until --count cycles are done, or until SIGINT or\n"
    "SIGTERM, which end it after the cycle under way (a second one at once).\n"
    "\n"
    "Options:\n"
    "  --slave N          the converter's MODBUS slave address, 1 to 247\n"
    "  --slots 0,2        device slots to read: registers 10n to 10n+9, function 03\n"
    "  --formats F        the register formats of a slot's five values (current, variables\n"
    "                     1 to 4), such as 0,0,1,2,3, for every slot; N:F for slot N only\n"
    "                     (may be repeated). 0 IEEE 754 (FF4 FF3 FF2 FF1), 1 IEEE 754\n"
    "                     (FF2 FF1 FF4 FF3), 2 Uint32 (FF4 FF3 FF2 FF1), 3 Uint32 (FF2 FF1\n"
    "                     FF4 FF3), 4 absolute value (FF2 FF1 FF4 FF3); a slot not named\n"
    "                     is read as 0\n"
    "  --profile FILE     take the formats, and the slave address unless --slave is given,\n"
    "                     from a profile\n"
    "  --hart 0,1         HART polling addresses, 0 to 15, to read with command 3\n"
    "  --interval MS      from one cycle's start to the next: 0 (as fast as the line allows)\n"
    "                     or 100 to 3600000 (default 1000)\n"
    "  --count N          stop after N cycles\n"
    "  --csv FILE         write the rows to FILE; - (the default) writes them to stdout\n"
    "  --log FILE         write every frame sent and received to FILE, as a profile command\n"
    "                     does\n"
    "\n"
    "Without --formats or --profile the converter is asked first how to read the slots:\n"
    "each slot's formats (its MODBUS parameter query) and, without --slave, the slave\n"
    "address (the system query); a converter that does not answer ends the run before it\n"
    "starts. With either, nothing is asked, and the slave address is --slave, the\n"
    "profile's, or 1.\n"
    "\n"
    "Messages go to stderr. Exit codes: 0 the run ended, missed polls included; 2 trouble:\n"
    "bad arguments, a converter that does not tell its formats, a CSV file or log that\n"
    "cannot be opened or written, a port that cannot open or that went away.\n";

} // namespace

bool requested(const QStringList& arguments) { return namesCommand(arguments, QStringLiteral("monitor"), kValueOptions); }

QString readFormats(const QString& text, RegisterFormat::SlotFormats& out)
{
    const QStringList parts = text.split(u',');
    if (parts.size() != RegisterFormat::kValues)
        return QStringLiteral("--formats takes five codes (current, variables 1 to 4), not '%1'.").arg(text);
    for (int v = 0; v < RegisterFormat::kValues; ++v) {
        const int highest = RegisterFormat::highest(v);
        const auto code = number(parts[v], 0, highest);
        if (!code)
            return QStringLiteral("--formats: the %1 takes a format from 0 to %2, not '%3'.")
                .arg(QLatin1String(kValueNames[v]))
                .arg(highest)
                .arg(parts[v]);
        out[size_t(v)] = *code;
    }
    return {};
}

std::optional<CommandLine::Answer> read(const QStringList& arguments, MonitorArguments& out)
{
    QCommandLineParser p;
    p.setSingleDashWordOptionMode(QCommandLineParser::ParseAsLongOptions);
    const QCommandLineOption help{{"h", "help"}, "Help."}, port{"port", "", "P"}, baud{"baud", "", "N"},
        parity{"parity", "", "P"}, slave{"slave", "", "N"}, slotList{"slots", "", "L"}, formats{"formats", "", "F"},
        profile{"profile", "", "FILE"}, hart{"hart", "", "L"}, interval{"interval", "", "MS"},
        count{"count", "", "N"}, csv{"csv", "", "FILE"}, log{"log", "", "FILE"};
    p.addOptions({help, port, baud, parity, slave, slotList, formats, profile, hart, interval, count, csv, log});
    if (!p.parse(arguments)) return refuse(p.errorText());
    // --formats alone may come again, one slot at a time.
    if (const QString why = givenTwice(p, {"port", "baud", "parity", "slave", "slots", "profile", "hart", "interval",
                                           "count", "csv", "log"});
        !why.isEmpty())
        return refuse(why);
    if (p.isSet(help)) return CommandLine::commandHelp(kHelp);
    const QStringList rest = p.positionalArguments();
    if (rest.value(0) != u"monitor") return refuse(QStringLiteral("expected the command 'monitor'."));
    if (rest.size() > 1) return refuse(QStringLiteral("unexpected argument '%1'.").arg(rest[1]));

    if (const QString why = readLineArguments(p, out); !why.isEmpty()) return refuse(why);
    if (p.isSet(slave)) {
        out.slave = number(p.value(slave), 1, 247);
        if (!out.slave) return refuse(QStringLiteral("--slave takes an address from 1 to 247, not '%1'.").arg(p.value(slave)));
    }
    if (p.isSet(slotList))
        if (const QString why = readList("--slots", p.value(slotList), 0, 4, out.deviceSlots); !why.isEmpty()) return refuse(why);
    if (p.isSet(hart))
        if (const QString why = readList("--hart", p.value(hart), 0, 15, out.hart); !why.isEmpty()) return refuse(why);
    if (out.deviceSlots.empty() && out.hart.empty())
        return refuse(QStringLiteral("name what to poll: --slots, --hart or both."));

    for (const QString& given : p.values(formats)) {
        RegisterFormat::SlotFormats codes{};
        const qsizetype colon = given.indexOf(u':');
        if (const QString why = readFormats(given.mid(colon + 1), codes); !why.isEmpty()) return refuse(why);
        if (colon < 0) {
            if (out.allFormats) return refuse(QStringLiteral("--formats F for every slot is given twice; give it once."));
            out.allFormats = codes;
            continue;
        }
        const auto slot = number(given.left(colon), 0, 4);
        if (!slot) return refuse(QStringLiteral("--formats N:F takes a slot from 0 to 4, not '%1'.").arg(given.left(colon)));
        if (std::find(out.deviceSlots.begin(), out.deviceSlots.end(), *slot) == out.deviceSlots.end())
            return refuse(QStringLiteral("--formats names slot %1, which --slots does not.").arg(*slot));
        if (!out.slotFormats.emplace(*slot, codes).second)
            return refuse(QStringLiteral("--formats names slot %1 twice.").arg(*slot));
    }
    out.profile = p.value(profile);

    if (p.isSet(interval)) {
        const auto ms = number(p.value(interval), 0, LiveSampler::kMaxIntervalMs);
        if (!ms || !LiveSampler::validInterval(*ms))
            return refuse(QStringLiteral("--interval takes 0, or 100 to 3600000 ms, not '%1'.").arg(p.value(interval)));
        out.intervalMs = *ms;
    }
    if (p.isSet(count)) {
        const auto n = number(p.value(count), 1, std::numeric_limits<int>::max());
        if (!n) return refuse(QStringLiteral("--count takes a number of cycles from 1, not '%1'.").arg(p.value(count)));
        out.count = *n;
    }
    if (p.isSet(csv)) {
        out.csv = p.value(csv);
        if (out.csv.isEmpty()) return refuse(QStringLiteral("--csv takes a file name, or - for stdout."));
    }
    return std::nullopt;
}

} // namespace MonitorCommandLine
