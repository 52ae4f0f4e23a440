#pragma once

#include <QByteArray>
#include <QDateTime>
#include <QString>

// The record of every write to an instrument: one line per setting, appended to a file
// that only grows, each line whole or not there. Fields are separated by tabs:
//   time (RFC 3339 UTC), port, polling address, device ID, setting, old value, new value,
//   outcome
// A tab or line break inside a value is written escaped ("\t", "\n"), so a line is a line.
namespace AuditLog {

struct Entry {
    QDateTime at;
    QString port;
    int pollingAddress = 0;
    QString deviceId; // six hex digits
    QString setting, old, now, outcome;
};

// ~/.local/share/vk742b/instrument-writes.log (the desktop's data folder).
QByteArray defaultPath();

// The entry's line, with its newline.
QByteArray line(const Entry& entry);

// Appends the lines, making the folder when it is missing. Empty when written, else the
// message naming the file.
QString append(const QByteArray& path, const QList<Entry>& entries);

} // namespace AuditLog
