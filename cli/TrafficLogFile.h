#pragma once

#include "exchange/TrafficLog.h"
#include "files/RecordFile.h"

#include <QByteArray>
#include <QString>
#include <functional>

class PortTraffic;

// The command line's traffic log: a header (port, speed, parity, program version), then
// one line per frame sent or received, each written through as it happens, so that an
// interrupted run keeps every frame up to its end. A line that cannot be written (a full
// disk, a file-size limit) ends the log there: the failure is told once, and the command
// reports it in its exit code.
class TrafficLogFile {
public:
    // Creates or empties the file (the file system's own bytes) and writes the header;
    // empty on success, else the message. An empty path asks for no log: nothing is done.
    QString open(const QByteArray& path, const QString& port, int baud, const QString& parity);
    // Logs the source's frames from now on, while the file is open.
    void follow(PortTraffic& source);

    // Empty while every line went in; else the message naming the file and the reason.
    QString failure() const { return failure_; }
    // Told the failure's message once, when a line could not be written.
    std::function<void(const QString& message)> onFailure;

private:
    void write(const TrafficLog::Frame& frame);

    TrafficLog log_;
    RecordFile file_;
    QString name_;
    QString failure_;
};
