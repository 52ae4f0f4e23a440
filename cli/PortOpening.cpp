#include "cli/PortOpening.h"

#include "cli/CommandLine.h"
#include "tools/TerminalText.h"

#include <QCoreApplication>
#include <QStringList>
#include <algorithm>
#include <cstdio>

QString CommandPort::open(int argc, char** argv, const LineArguments& line)
{
    if (const QString why = log.open(CommandLine::rawArgument(argc, argv, line.log), line.port, int(line.baud), line.parity);
        !why.isEmpty())
        return why;
    log.onFailure = [](const QString& message) {
        std::fprintf(stderr, "%s: %s\n", qPrintable(QCoreApplication::applicationName()), qPrintable(message));
    };
    port.SetCommName(line.port);
    port.SetBaudRate(line.baud);
    const int index = QStringList({"None", "Odd", "Even"}).indexOf(line.parity);
    port.SetParity(TParity(std::max(0, int(index))));
    port.SetDtrControl(TDtrControl::DtrDisable);
    port.SetRtsControl(TRtsControl::RtsDisable);
    port.SetOutx_XonXoffFlow(false);
    port.SetInx_XonXoffFlow(false);
    try {
        port.OpenPort();
    } catch (const ECommsError& e) {
        // The reason ("No such device") says more than the heading ("Error opening serial port").
        const QString why = QString::fromLocal8Bit(e.detail().empty() ? e.what() : e.detail().c_str());
        return QStringLiteral("cannot open %1: %2").arg(TerminalText::escaped(line.port), why);
    }
    return {};
}
