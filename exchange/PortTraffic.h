#pragma once

#include <QByteArray>
#include <QObject>

// Every frame written to a port and every chunk read from it, for whoever logs them. The
// exchange and the converter session are both sources; the traffic log follows either.
class PortTraffic : public QObject {
    Q_OBJECT

public:
    using QObject::QObject;

signals:
    void frameWritten(const QByteArray& frame); // handed to the port's transmit thread
    void chunkArrived(const QByteArray& chunk); // every received chunk, on arrival
};
