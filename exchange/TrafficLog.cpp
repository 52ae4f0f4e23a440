#include "exchange/TrafficLog.h"

#include "exchange/PortTraffic.h"
#include "tools/HexText.h"

#include <QDateTime>

void TrafficLog::follow(PortTraffic& source)
{
    connect(&source, &PortTraffic::frameWritten, this, [this](const QByteArray& frame) {
        add(Direction::Sent, frame, QDateTime::currentMSecsSinceEpoch());
    });
    connect(&source, &PortTraffic::chunkArrived, this, [this](const QByteArray& chunk) {
        add(Direction::Received, chunk, QDateTime::currentMSecsSinceEpoch());
    });
}

void TrafficLog::add(Direction direction, const QByteArray& bytes, qint64 atMs)
{
    if (frames_.size() == kCapacity) frames_.pop_front();
    frames_.push_back({atMs, direction, bytes});
    emit added(frames_.back());
}

QString TrafficLog::line(const Frame& frame)
{
    QString text;
    text.reserve(frame.bytes.size());
    for (char c : frame.bytes) text += c >= 0x20 && c < 0x7F ? QChar(c) : QChar(u'.');
    return QDateTime::fromMSecsSinceEpoch(frame.atMs).toString(QStringLiteral("hh:mm:ss.zzz")) +
           (frame.direction == Direction::Sent ? QStringLiteral(" TX  ") : QStringLiteral(" RX  ")) + text +
           QStringLiteral("  |  ") + hexDisplay(frame.bytes).trimmed();
}

QString TrafficLog::text() const
{
    QString out;
    for (const Frame& f : frames_) out += line(f) + u'\n';
    return out;
}
