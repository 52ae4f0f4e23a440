#pragma once

#include "exchange/TrafficLog.h"

#include <QByteArray>
#include <QFile>
#include <QString>

class PortTraffic;

// The command line's traffic log: a header (port, speed, parity, program version), then
// one line per frame sent or received, each written and flushed as it happens, so that an
// interrupted run keeps every frame up to its end.
class TrafficLogFile {
public:
    // Creates or empties the file (the file system's own bytes) and writes the header;
    // empty on success, else the message. An empty path asks for no log: nothing is done.
    QString open(const QByteArray& path, const QString& port, int baud, const QString& parity);
    // Logs the source's frames from now on, while the file is open.
    void follow(PortTraffic& source);

private:
    TrafficLog log_;
    QFile file_;
};
