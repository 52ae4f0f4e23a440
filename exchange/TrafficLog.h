#pragma once

#include <QByteArray>
#include <QObject>
#include <QString>
#include <deque>
#include <functional>

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
        QString note{}; // what the bytes say, where a note-taker knows (a HART reply's status)
    };

    explicit TrafficLog(QObject* parent = nullptr) : QObject(parent) {}
    // Logs what this source (the exchange, a converter session) sends and receives from now on.
    void follow(PortTraffic& source);

    void add(Direction direction, const QByteArray& bytes, qint64 atMs);
    // Called for every frame as it is added; what it returns goes on the frame's line.
    std::function<QString(Direction, const QByteArray&)> noteTaker;
    const std::deque<Frame>& frames() const { return frames_; }
    void clear() { frames_.clear(); }

    // "2026-12-09T14:12:07.412+01:00 TX  QQQ#QX#  |  51 51 51 23 51 58 23": the local date
    // and time to the millisecond with the zone's offset, the text with "." for bytes that
    // are not printable, then the hex, then the note if there is one.
    static QString line(const Frame& frame);
    // Every line, oldest first, each ended by a line feed.
    QString text() const;

    // ISO 8601 local date and time with milliseconds and the offset from UTC, always as
    // "+hh:mm" (never "Z"), so that every line has the same shape.
    static QString timeText(qint64 atMs);
    // The lines that open a saved log: the program and its version, the port with its speed
    // and parity, and when the log starts. Each ends with a line feed and starts with "#".
    static QString header(const QString& port, qint32 baud, const QString& parity, qint64 atMs);

signals:
    void added(const TrafficLog::Frame& frame);

private:
    std::deque<Frame> frames_;
};
