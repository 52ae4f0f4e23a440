#include "cli/PortOpening.h"

#include "serial/Comm.h"
#include "tools/TerminalText.h"

#include <QCommandLineParser>
#include <QStringList>
#include <algorithm>

QString readLineOptions(const QCommandLineParser& parser, unsigned& baud, QString& parity)
{
    if (parser.isSet(QStringLiteral("baud"))) {
        const QString given = parser.value(QStringLiteral("baud"));
        bool ok = false;
        const int n = given.trimmed().toInt(&ok);
        if (!ok || n <= 0) return QStringLiteral("--baud takes a speed such as 9600, not '%1'.").arg(given);
        baud = unsigned(n);
    }
    if (parser.isSet(QStringLiteral("parity"))) {
        const QString given = parser.value(QStringLiteral("parity"));
        QString name;
        for (const char* known : {"None", "Odd", "Even"})
            if (given.compare(QLatin1String(known), Qt::CaseInsensitive) == 0) name = QLatin1String(known);
        if (name.isEmpty()) return QStringLiteral("--parity takes None, Odd or Even, not '%1'.").arg(given);
        parity = name;
    }
    return {};
}

QString openCommandLinePort(TComm& port, const QString& name, unsigned baud, const QString& parity)
{
    port.SetCommName(name);
    port.SetBaudRate(baud);
    const int index = QStringList({"None", "Odd", "Even"}).indexOf(parity);
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
        return QStringLiteral("cannot open %1: %2").arg(TerminalText::escaped(name), why);
    }
    return {};
}
