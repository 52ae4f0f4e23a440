#include "cli/CommandLine.h"

#include "tools/TerminalText.h"

#include <QCommandLineOption>
#include <QCommandLineParser>
#include <QCoreApplication>
#include <cstdio>

namespace CommandLine {
namespace {

struct Parser {
    QCommandLineParser parser;
    QCommandLineOption help{{"h", "help"}, "Displays this help and exits."};
    QCommandLineOption version{{"v", "version"}, "Displays the version and exits."};
    QCommandLineOption port{"port", "The serial port the converter is on, for a command.", "PORT"};
    QCommandLineOption baud{"baud", "The port's speed (default 9600).", "N"};
    QCommandLineOption parity{"parity", "The port's parity: None (default), Odd or Even.", "P"};
    QCommandLineOption log{"log", "Writes every frame sent and received to FILE.", "FILE"};
    QCommandLineOption to{"to", "The last polling address a scan asks, 0 to 63 (default 15).", "N"};
    QCommandLineOption timeout{"timeout", "How long a scan waits at each address (default 1000).", "MS"};

    Parser()
    {
        // Qt's own options are single-dash words ("-reverse", "-stylesheet"); read as
        // bundles of letters they would pass for -v or -h.
        parser.setSingleDashWordOptionMode(QCommandLineParser::ParseAsLongOptions);
        parser.setApplicationDescription(
            "Configures a VK742-B converter, which links HART field instruments to serial\n"
            "hosts and publishes their values as MODBUS RTU registers, over an RS232 or\n"
            "RS485 serial port. Without options it opens the configuration window.\n"
            "With --port and a command it runs without a window: 'read' saves the\n"
            "converter's settings to FILE, 'write' sends the profile in FILE to it,\n"
            "'compare' lists the settings that differ. Exit codes: 0 success (compare:\n"
            "the same), 1 compare found differences, 2 trouble: bad arguments or\n"
            "profile, a port that does not open, a request refused or unanswered,\n"
            "a failed save.\n"
            "'scan' asks HART polling addresses 0 to 15 (--to 63 for all) through the\n"
            "converter in transparent mode and prints one line per instrument that\n"
            "answers: polling address, manufacturer, device type, device ID, HART\n"
            "revision, tag, long tag and status. It exits 0 even when none answers;\n"
            "it then names the converter's working mode if that is not transparent.\n"
            "'monitor' polls live values as CSV; 'monitor --help' tells how.\n"
            "'instrument ADDR' reads one HART instrument like a handheld, saves it as\n"
            "found or compares it with a saved reading; 'instrument --help' tells how.\n"
            "'regmap' prints the register map of the converter, or of a profile with\n"
            "--profile FILE and no port; 'regmap --help' tells how.\n"
            "'report' writes a commissioning report as PDF or HTML; 'report --help' tells how.");
        parser.addOptions({help, version, port, baud, parity, log, to, timeout});
        parser.addPositionalArgument("command", "read, write, compare, scan, monitor, instrument, regmap or report.",
                                     "[read|write|compare FILE | scan | monitor | instrument ADDR | regmap | report]");
    }

    // Every option with a value: one value each, never two to choose from.
    QString givenTwice() const { return ::givenTwice(parser, {"port", "baud", "parity", "log", "to", "timeout"}); }

    QString helpText() const
    {
        // Qt names the program by the path it was started with, or by a placeholder while
        // no application object exists; the help and the man page want its plain name.
        QString text = parser.helpText();
        const QString usage = QStringLiteral("Usage: ");
        const qsizetype end = text.indexOf(QLatin1String(" [options]"));
        if (text.startsWith(usage) && end > usage.size())
            text.replace(usage.size(), end - usage.size(), QCoreApplication::applicationName());
        return text;
    }
};

// Qt's own window options, which QApplication takes before we see the rest: those that take
// a value (with one dash or two), and those that stand alone.
const QStringList kQtValueOptions = {"platform", "platformpluginpath", "platformtheme", "plugin", "qwindowgeometry",
                                     "qwindowicon", "qwindowtitle", "geometry", "style", "stylesheet", "session",
                                     "display", "title", "name", "icon"};
const QStringList kQtFlags = {"reverse", "widgetcount", "nograb", "dograb", "sync", "testability"};

Answer refuse(const QString& why)
{
    const QString name = QCoreApplication::applicationName();
    return {2, {}, QStringLiteral("%1: %2\nTry '%1 --help' for more information.\n").arg(name, why)};
}

} // namespace

QStringList fromArgv(int argc, char** argv)
{
    QStringList arguments;
    for (int i = 0; i < argc; ++i) arguments << QString::fromLocal8Bit(argv[i]);
    return arguments;
}

QByteArray rawArgument(int argc, char** argv, const QString& decoded)
{
    for (int i = argc - 1; i > 0; --i) {
        const QByteArray raw(argv[i]);
        if (QString::fromLocal8Bit(raw) == decoded) return raw;
        // "--log=FILE"
        const qsizetype equals = raw.indexOf('=');
        if (raw.startsWith("--") && equals > 0 && QString::fromLocal8Bit(raw.mid(equals + 1)) == decoded)
            return raw.mid(equals + 1);
    }
    return decoded.toLocal8Bit();
}

std::optional<Answer> answerBeforeWindow(const QStringList& arguments)
{
    Parser p;
    // Unknown options may still be Qt's own; checkWindowArguments judges them later.
    p.parser.parse(arguments);
    if (p.parser.isSet(p.help)) return Answer{0, p.helpText(), {}};
    if (p.parser.isSet(p.version))
        return Answer{0,
                      QCoreApplication::applicationName() + ' ' +
                          QCoreApplication::applicationVersion() + '\n',
                      {}};
    return std::nullopt;
}

bool wantsCommandLine(const QStringList& arguments)
{
    static const QStringList ourValueOptions = {"port", "baud", "parity", "log"};
    for (qsizetype i = 1; i < arguments.size(); ++i) {
        const QString& a = arguments[i];
        if (!a.startsWith(u'-') || a == u"-") return true;
        QString name = a.mid(a.startsWith(QLatin1String("--")) ? 2 : 1);
        const bool inlineValue = name.contains(u'=');
        name = name.section(u'=', 0, 0);
        if (ourValueOptions.contains(name)) return true;
        if (kQtValueOptions.contains(name) && !inlineValue) ++i; // its value is no command
    }
    return false;
}

std::optional<Answer> checkDisplay(const QProcessEnvironment& environment, const QStringList& arguments)
{
    for (const char* name : {"DISPLAY", "WAYLAND_DISPLAY", "QT_QPA_PLATFORM"})
        if (!environment.value(name).isEmpty()) return std::nullopt;
    for (const QString& a : arguments)
        if (a == u"-platform" || a == u"--platform" || a.startsWith(u"-platform=") || a.startsWith(u"--platform="))
            return std::nullopt;
    // No window will read the rest: an option that is neither ours nor Qt's is named now, as
    // it would be with a display, rather than taken for a wish to see the window.
    Parser p;
    for (const QString& name : kQtValueOptions) p.parser.addOption({name, QString(), QStringLiteral("VALUE")});
    for (const QString& name : kQtFlags) p.parser.addOption({name, QString()});
    if (!p.parser.parse(arguments)) return refuse(TerminalText::escaped(p.parser.errorText()));
    return Answer{2, {},
                  QStringLiteral("%1: no display found for the window; without one, give --port and a "
                                 "command (see '%1 --help').\n")
                      .arg(QCoreApplication::applicationName())};
}

std::optional<Answer> checkWindowArguments(const QStringList& arguments)
{
    Parser p;
    if (!p.parser.parse(arguments)) return refuse(TerminalText::escaped(p.parser.errorText()));
    const QStringList extra = p.parser.positionalArguments();
    if (!extra.isEmpty()) return refuse(QStringLiteral("unexpected argument '%1'.").arg(extra.first()));
    return std::nullopt;
}

std::optional<Answer> readProfileArguments(const QStringList& arguments, ProfileArguments& out)
{
    Parser p;
    if (!p.parser.parse(arguments)) return refuse(TerminalText::escaped(p.parser.errorText()));
    if (const QString why = p.givenTwice(); !why.isEmpty()) return refuse(why);
    const QStringList rest = p.parser.positionalArguments();
    if (!rest.isEmpty() && !QStringList({"read", "write", "compare"}).contains(rest[0]))
        return refuse(QStringLiteral("unknown command '%1': expected read, write, compare, scan, monitor, instrument, regmap or report.")
                          .arg(TerminalText::escaped(rest[0])));
    if (rest.isEmpty())
        return refuse(QStringLiteral("expected a command: read, write or compare and a FILE, scan, monitor, instrument and an ADDR, regmap or report."));
    if (rest.size() == 1) return refuse(QStringLiteral("expected a FILE after %1.").arg(rest[0]));
    if (rest.size() > 2)
        return refuse(QStringLiteral("unexpected argument '%1'.").arg(TerminalText::escaped(rest[2])));
    out.command = rest[0];
    out.file = rest[1];
    if (const QString why = readLineArguments(p.parser, out); !why.isEmpty()) return refuse(why);
    return std::nullopt;
}

bool namesScan(const QStringList& arguments)
{
    Parser p;
    p.parser.parse(arguments);
    return p.parser.positionalArguments().value(0) == u"scan";
}

std::optional<Answer> readScanArguments(const QStringList& arguments, ScanArguments& out)
{
    Parser p;
    if (!p.parser.parse(arguments)) return refuse(TerminalText::escaped(p.parser.errorText()));
    if (const QString why = p.givenTwice(); !why.isEmpty()) return refuse(why);
    if (p.parser.positionalArguments() != QStringList{"scan"})
        return refuse(QStringLiteral("scan takes no FILE or other argument."));
    if (const QString why = readLineArguments(p.parser, out); !why.isEmpty()) return refuse(why);
    if (p.parser.isSet(p.to)) {
        bool ok = false;
        out.last = p.parser.value(p.to).toInt(&ok);
        if (!ok || out.last < 0 || out.last > 63)
            return refuse(QStringLiteral("--to takes the last polling address, 0 to 63, not '%1'.")
                              .arg(p.parser.value(p.to)));
    }
    if (p.parser.isSet(p.timeout)) {
        bool ok = false;
        out.timeoutMs = p.parser.value(p.timeout).toInt(&ok);
        if (!ok || out.timeoutMs < 1 || out.timeoutMs > 60000)
            return refuse(QStringLiteral("--timeout takes milliseconds, 1 to 60000, not '%1'.")
                              .arg(p.parser.value(p.timeout)));
    }
    return std::nullopt;
}

int deliver(const Answer& answer)
{
    std::fputs(answer.out.toLocal8Bit().constData(), stdout);
    std::fputs(answer.err.toLocal8Bit().constData(), stderr);
    std::fflush(stdout);
    return answer.exitCode;
}

} // namespace CommandLine

QString readLineArguments(const QCommandLineParser& parser, LineArguments& out)
{
    if (!parser.isSet(QStringLiteral("port"))) return QStringLiteral("--port PORT is needed.");
    out.port = parser.value(QStringLiteral("port"));
    if (out.port.isEmpty()) return QStringLiteral("--port takes a port's name, such as /dev/ttyUSB0.");
    if (parser.isSet(QStringLiteral("log")) && (out.log = parser.value(QStringLiteral("log"))).isEmpty())
        return QStringLiteral("--log takes a file name.");
    if (parser.isSet(QStringLiteral("baud"))) {
        const QString given = parser.value(QStringLiteral("baud"));
        bool ok = false;
        const int n = given.trimmed().toInt(&ok);
        if (!ok || n <= 0) return QStringLiteral("--baud takes a speed such as 9600, not '%1'.").arg(given);
        out.baud = unsigned(n);
    }
    if (parser.isSet(QStringLiteral("parity"))) {
        const QString given = parser.value(QStringLiteral("parity"));
        QString name;
        for (const char* known : {"None", "Odd", "Even"})
            if (given.compare(QLatin1String(known), Qt::CaseInsensitive) == 0) name = QLatin1String(known);
        if (name.isEmpty()) return QStringLiteral("--parity takes None, Odd or Even, not '%1'.").arg(given);
        out.parity = name;
    }
    return {};
}

bool namesCommand(const QStringList& arguments, const QString& command, const QStringList& valueOptions)
{
    for (qsizetype i = 1; i < arguments.size(); ++i) {
        const QString& a = arguments[i];
        if (!a.startsWith(u'-')) return a == command;
        if (!a.contains(u'=') && valueOptions.contains(a)) ++i;
    }
    return false;
}

QString givenTwice(const QCommandLineParser& parser, const QStringList& onceOnly)
{
    for (const QString& name : onceOnly)
        if (parser.values(name).size() > 1) return QStringLiteral("--%1 is given twice; give it once.").arg(name);
    return {};
}

namespace CommandLine {

Answer commandRefusal(const QString& command, const QString& why)
{
    const QString name = QCoreApplication::applicationName();
    return {2, {}, QStringLiteral("%1 %2: %3\nTry '%1 %2 --help' for more information.\n")
                       .arg(name, command, TerminalText::escaped(why))};
}

Answer commandHelp(const char* text) { return {0, QString::fromLatin1(text).arg(QCoreApplication::applicationName()), {}}; }

void say(const QString& text) { std::fprintf(stderr, "vk742b-config: %s\n", qPrintable(text)); }

} // namespace CommandLine
