#include "cli/PortOpening.h"

#include "serial/Comm.h"

#include <QStringList>
#include <algorithm>

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
        return QString::fromLocal8Bit(e.detail().empty() ? e.what() : e.detail().c_str());
    }
    return {};
}
