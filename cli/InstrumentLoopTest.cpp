#include "cli/InstrumentLoopTest.h"

#include "cli/StopSignals.h"
#include "cli/TerminalQuestion.h"
#include "cli/TrafficLogFile.h"
#include "instrument/LoopTest.h"
#include "serial/Comm.h"
#include "tools/FloatText.h"

#include <QCoreApplication>
#include <QFile>
#include <cstdio>
#include <unistd.h>

namespace InstrumentLoopTest {
namespace {

using CommandLine::say;

QString currents(const std::vector<float>& list)
{
    QStringList out;
    for (float f : list) out << shortestSingle(f);
    return out.join(QStringLiteral(", ")) + QStringLiteral(" mA");
}

bool confirmed(const InstrumentArguments& args)
{
    std::printf("The loop current of the instrument at polling address %d will be fixed at %s, %d s each.\n"
                "The control system must have this loop in manual.\n",
                args.pollingAddress, qPrintable(currents(args.currents)), args.holdS);
    std::fflush(stdout);
    if (args.yes) return true;
    if (askedYes("Is the loop in manual at the control system?")) return true;
    if (!::isatty(STDIN_FILENO)) say(QStringLiteral("nothing was fixed: give --yes once the loop is in manual"));
    return false;
}

} // namespace

int run(TComm& port, const InstrumentArguments& args, TrafficLogFile& log)
{
    if (!confirmed(args)) return 2;
    NoView view;
    ConverterSession session(port, view, InstrumentRead::sessionOptions(args.timeoutMs, args.baud));
    log.follow(session);
    LoopTest::Options options;
    options.read.pollingAddress = args.pollingAddress;
    options.currents = args.currents;
    options.holdMs = args.holdS * 1000;
    options.baud = args.baud;
    options.parity = port.Parity();
    options.port = args.port;
    if (!args.audit.isEmpty()) options.auditPath = QFile::encodeName(args.audit);
    LoopTest test(session, options);
    StopSignals stop;
    QObject::connect(&stop, &StopSignals::received, [&](int count) {
        if (count == 1) say(QStringLiteral("stopping: leaving fixed current mode first"));
        else say(QStringLiteral("still leaving fixed current mode; the instrument must not be left fixed"));
        test.cancel();
    });
    QObject::connect(&test, &LoopTest::progress, [](const QString& what) { std::fprintf(stderr, "%s\n", qPrintable(what)); });
    QObject::connect(&test, &LoopTest::currentSet, [](int, float asked, std::optional<float> set) {
        std::printf("%s mA asked, %s\n", qPrintable(shortestSingle(asked)),
                    set ? qPrintable(shortestSingle(*set) + QStringLiteral(" mA set")) : "no current in the reply");
        std::fflush(stdout);
    });
    int code = 2;
    QObject::connect(&test, &LoopTest::finished, [&](LoopTest::End end) {
        for (const QString& m : test.messages()) say(m);
        code = end == LoopTest::End::Completed && test.auditProblem().isEmpty() ? 0 : 2;
        QCoreApplication::quit();
    });
    test.start();
    QCoreApplication::exec();
    return code;
}

} // namespace InstrumentLoopTest
