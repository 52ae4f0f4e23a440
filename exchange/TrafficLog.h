#pragma once

#include <QByteArray>
#include <QObject>
#include <QString>
#include <deque>

class PortTraffic;

// Every frame the exchange writes and every chunk it receives, with the time, the
// direction, the text and the hex. Keeps the newest kCapacity frames, so memory stays
// bounded however long the port is used.
class TrafficLog : public QObject {
    Q_OBJECT

public:
    static constexpr size_t kCapacity = 10000;
    enum class Direction { Sent, Received };
    struct Frame {
        qint64 atMs; // milliseconds since the epoch
        Direction direction;
        QByteArray bytes;
    };

    explicit TrafficLog(QObject* parent = nullptr) : QObject(parent) {}
    // Logs what this source (the exchange, a converter session) sends and receives from now on.
    void follow(PortTraffic& source);

    void add(Direction direction, const QByteArray& bytes, qint64 atMs);
    const std::deque<Frame>& frames() const { return frames_; }
    void clear() { frames_.clear(); }

    // "03:21:07.123 TX  QQQ#QX#  |  51 51 51 23 51 58 23": local time to the millisecond,
    // the text with "." for bytes that are not printable, then the hex.
    static QString line(const Frame& frame);
    // Every line, oldest first, each ended by a line feed.
    QString text() const;

signals:
    void added(const TrafficLog::Frame& frame);

private:
    std::deque<Frame> frames_;
};
