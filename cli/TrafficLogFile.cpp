#include "cli/TrafficLogFile.h"

#include "tools/TerminalText.h"

#include <QDateTime>
#include <cerrno>
#include <cstring>
#include <fcntl.h>

QString TrafficLogFile::open(const QByteArray& path, const QString& port, int baud, const QString& parity)
{
    if (path.isEmpty()) return {};
    // By its bytes: a name that is not valid UTF-8 would not survive a QString.
    const int fd = ::open(path.constData(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC | O_NOCTTY, 0666);
    const QString name = TerminalText::fileName(path);
    if (fd < 0) return QStringLiteral("cannot write the log %1: %2").arg(name, QString::fromLocal8Bit(std::strerror(errno)));
    const QByteArray header = TrafficLog::header(port, baud, parity, QDateTime::currentMSecsSinceEpoch()).toUtf8();
    if (!file_.open(fd, QIODevice::WriteOnly | QIODevice::Unbuffered, QFileDevice::AutoCloseHandle) ||
        file_.write(header) != header.size())
        return QStringLiteral("cannot write the log %1: %2").arg(name, file_.errorString());
    QObject::connect(&log_, &TrafficLog::added, &log_, [this](const TrafficLog::Frame& frame) {
        file_.write((TrafficLog::line(frame) + u'\n').toUtf8());
    });
    return {};
}

void TrafficLogFile::follow(PortTraffic& source)
{
    if (file_.isOpen()) log_.follow(source);
}
