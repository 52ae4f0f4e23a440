#include "cli/TrafficLogFile.h"

#include "files/FileNames.h"

#include <QDateTime>

QString TrafficLogFile::open(const QByteArray& path, const QString& port, int baud, const QString& parity)
{
    if (path.isEmpty()) return {};
    name_ = FileNames::shown(path);
    const QString cannot = QStringLiteral("cannot write the log %1: %2");
    if (const QString why = file_.open(path); !why.isEmpty()) return cannot.arg(name_, why);
    if (!file_.write(TrafficLog::header(port, baud, parity, QDateTime::currentMSecsSinceEpoch()).toUtf8())) {
        const QString why = cannot.arg(name_, file_.errorString());
        file_.close();
        return why;
    }
    QObject::connect(&log_, &TrafficLog::added, &log_, [this](const TrafficLog::Frame& frame) { write(frame); });
    return {};
}

void TrafficLogFile::follow(PortTraffic& source)
{
    if (file_.isOpen()) log_.follow(source);
}

void TrafficLogFile::write(const TrafficLog::Frame& frame)
{
    if (!file_.isOpen() || file_.write((TrafficLog::line(frame) + u'\n').toUtf8())) return;
    // The log stops at its last whole line; a line further on would leave a gap unseen.
    failure_ = QStringLiteral("cannot write the log %1: %2").arg(name_, file_.errorString());
    file_.close();
    if (onFailure) onFailure(failure_);
}
