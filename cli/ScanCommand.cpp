#include "cli/ScanCommand.h"

#include "cli/CommandLine.h"
#include "cli/PortOpening.h"
#include "cli/ScanLine.h"
#include "cli/TrafficLogFile.h"
#include "exchange/ExchangeView.h"
#include "serial/Comm.h"
#include "session/ConverterSession.h"
#include "session/HartScan.h"

#include <QCoreApplication>
#include <cstdio>

namespace {

using CommandLine::say;

int scanOnPort(TComm& port, const CommandLine::ScanArguments& args, TrafficLogFile& log)
{
    NoView view;
    ConverterSession::Options limits;
    limits.limitMs = args.timeoutMs;
    ConverterSession session(port, view, limits);
    log.follow(session);
    HartScan scan(session, {args.last});
    QObject::connect(&scan, &HartScan::progress, [](int address, int last) {
        std::fprintf(stderr, "[%d/%d] polling address %d\n", address + 1, last + 1, address);
    });
    QObject::connect(&scan, &HartScan::answered, [](const HartScan::Found& found) {
        std::printf("%s\n", qPrintable(scanLine(found)));
        std::fflush(stdout);
    });
    int code = 0;
    QObject::connect(&scan, &HartScan::finished, [&](HartScan::End end) {
        if (end == HartScan::End::PortLost) {
            say(QStringLiteral("the port went away during the scan"));
            code = 2; // trouble, as the other commands report it
        } else if (scan.found().empty()) {
            const QString why = HartScan::notTransparent(scan.workingMode().value_or(0));
            say(why.isEmpty() ? QStringLiteral("no instrument answered")
                              : QStringLiteral("no instrument answered: %1; set working mode 0 to scan").arg(why));
        } else {
            say(QStringLiteral("%1 of polling addresses 0 to %2 answered").arg(scan.found().size()).arg(args.last));
        }
        QCoreApplication::quit();
    });
    scan.start();
    QCoreApplication::exec();
    return code;
}

} // namespace

namespace ScanCommand {

bool requested(int argc, char** argv) { return CommandLine::namesScan(CommandLine::fromArgv(argc, argv)); }

int run(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    CommandLine::ScanArguments args;
    if (const auto refusal = CommandLine::readScanArguments(app.arguments(), args))
        return CommandLine::deliver(*refusal);
    CommandPort line;
    if (const QString why = line.open(argc, argv, args); !why.isEmpty()) {
        say(why);
        return 2;
    }
    return line.exitCode(scanOnPort(line.port, args, line.log));
}

} // namespace ScanCommand
