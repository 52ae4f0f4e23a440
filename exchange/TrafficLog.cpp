#include "exchange/TrafficLog.h"

#include "exchange/PortTraffic.h"
#include "tools/HexText.h"
#include "tools/TerminalText.h"

#include <QDateTime>
#include <cstdlib>

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
    frames_.push_back({atMs, direction, bytes, noteTaker ? noteTaker(direction, bytes) : QString()});
    emit added(frames_.back());
}

QString TrafficLog::line(const Frame& frame)
{
    QString text;
    text.reserve(frame.bytes.size());
    for (char c : frame.bytes) text += c >= 0x20 && c < 0x7F ? QChar(c) : QChar(u'.');
    return timeText(frame.atMs) +
           (frame.direction == Direction::Sent ? QStringLiteral(" TX  ") : QStringLiteral(" RX  ")) + text +
           QStringLiteral("  |  ") + hexDisplay(frame.bytes).trimmed() +
           (frame.note.isEmpty() ? QString() : QStringLiteral("  |  ") + frame.note);
}

QString TrafficLog::text() const
{
    QString out;
    for (const Frame& f : frames_) out += line(f) + u'\n';
    return out;
}

QString TrafficLog::timeText(qint64 atMs)
{
    const QDateTime at = QDateTime::fromMSecsSinceEpoch(atMs);
    const int offset = at.offsetFromUtc();
    const int minutes = std::abs(offset) / 60;
    return at.toString(QStringLiteral("yyyy-MM-dd'T'HH:mm:ss.zzz")) + (offset < 0 ? u'-' : u'+') +
           QStringLiteral("%1:%2").arg(minutes / 60, 2, 10, QChar(u'0')).arg(minutes % 60, 2, 10, QChar(u'0'));
}

QString TrafficLog::header(const QString& port, qint32 baud, const QString& parity, qint64 atMs)
{
    // The port's name is the user's text; a saved log is read on a terminal too.
    return QStringLiteral("# vk742b-config %1 traffic log\n"
                          "# port %2, %3 baud, parity %4\n"
                          "# started %5\n")
        .arg(QStringLiteral(VK742B_VERSION), TerminalText::escaped(port), QString::number(baud),
             TerminalText::escaped(parity), timeText(atMs));
}
