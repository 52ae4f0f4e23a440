#pragma once

#include <QByteArray>
#include <QDateTime>
#include <QList>
#include <QString>
#include <QStringList>

// The record of every write to an instrument, a loop test's currents included: one line per
// setting or current, appended to a file that only grows, each line whole or not there. Fields are separated by tabs:
//   time (RFC 3339 UTC), port, polling address, device ID, setting, old value, new value,
//   outcome
// A backslash, tab or line break inside a value is written escaped ("\\", "\t", "\n",
// "\r"), so a line is a line and a field a field.
namespace AuditLog {

struct Entry {
    QDateTime at;
    QString port;
    int pollingAddress = 0;
    QString deviceId; // six hex digits
    QString setting, old, now, outcome;
    bool operator==(const Entry&) const = default;
};

// ~/.local/share/vk742b/instrument-writes.log (the desktop's data folder).
QByteArray defaultPath();

// The entry's line, with its newline.
QByteArray line(const Entry& entry);

// Appends the lines, making the folder when it is missing. Empty when written, else the
// message naming the file.
QString append(const QByteArray& path, const QList<Entry>& entries);

// The entries of a log's text: the inverse of line(). A line that does not hold the eight
// fields, a readable time and a polling address is skipped and named in `problems`
// ("line 7: ..."), and so is a last line without its line end, which was cut off.
QList<Entry> parse(const QByteArray& text, QStringList& problems);

// A log of years of writes is some megabytes; anything far larger is not one.
constexpr qint64 kReadLimit = qint64(16) << 20;

// The entries of the log at `path` (the file system's own bytes), read whole when it is a
// regular file of at most kReadLimit bytes; otherwise none, and `problems` says why.
QList<Entry> read(const QByteArray& path, QStringList& problems);

} // namespace AuditLog
