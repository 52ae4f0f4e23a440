#include "cli/CommandLine.h"

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
    QCommandLineOption port{"port", "The serial port the converter is on, for a profile command.", "PORT"};
    QCommandLineOption baud{"baud", "The port's speed (default 9600).", "N"};
    QCommandLineOption parity{"parity", "The port's parity: None (default), Odd or Even.", "P"};

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
            "'compare' lists the settings that differ. Exit codes: 0 success, 1 a\n"
            "request failed or compare found differences, 2 bad arguments or profile.\n"
            "'monitor' polls live values as CSV; 'monitor --help' tells how.");
        parser.addOptions({help, version, port, baud, parity});
        parser.addPositionalArgument("command", "read, write or compare.", "[read|write|compare FILE]");
    }

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

std::optional<Answer> checkWindowArguments(const QStringList& arguments)
{
    Parser p;
    if (!p.parser.parse(arguments)) return refuse(p.parser.errorText());
    const QStringList extra = p.parser.positionalArguments();
    if (!extra.isEmpty()) return refuse(QStringLiteral("unexpected argument '%1'.").arg(extra.first()));
    return std::nullopt;
}

std::optional<Answer> readProfileArguments(const QStringList& arguments, ProfileArguments& out)
{
    Parser p;
    if (!p.parser.parse(arguments)) return refuse(p.parser.errorText());
    const QStringList rest = p.parser.positionalArguments();
    if (rest.size() != 2 || !QStringList({"read", "write", "compare"}).contains(rest[0]))
        return refuse(QStringLiteral("expected a command (read, write or compare) and a FILE."));
    out.command = rest[0];
    out.file = rest[1];
    if (!p.parser.isSet(p.port)) return refuse(QStringLiteral("--port PORT is needed."));
    out.port = p.parser.value(p.port);
    if (p.parser.isSet(p.baud)) {
        bool ok = false;
        const int n = p.parser.value(p.baud).toInt(&ok);
        if (!ok || n <= 0)
            return refuse(QStringLiteral("--baud takes a speed such as 9600, not '%1'.").arg(p.parser.value(p.baud)));
        out.baud = QString::number(n);
    }
    if (p.parser.isSet(p.parity)) {
        const QString given = p.parser.value(p.parity);
        out.parity.clear();
        for (const char* known : {"None", "Odd", "Even"})
            if (given.compare(QLatin1String(known), Qt::CaseInsensitive) == 0) out.parity = QLatin1String(known);
        if (out.parity.isEmpty())
            return refuse(QStringLiteral("--parity takes None, Odd or Even, not '%1'.").arg(given));
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
