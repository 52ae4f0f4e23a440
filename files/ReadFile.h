#pragma once

#include <QByteArray>
#include <QString>

// Reading a whole small file without trusting what the name leads to. A device such as
// /dev/zero never ends and a pipe may never answer, so only regular files are read, and
// never more than the caller's limit.
namespace ReadFile {

// A profile is some 10 KiB; anything far larger is not one.
constexpr qint64 kProfileLimit = qint64(1) << 20;

struct Result {
    QByteArray bytes;
    QString error; // empty when read: "cannot read x.json: it is larger than 1 MiB, ..."
    bool ok() const { return error.isEmpty(); }
};

// The file at `path` (the file system's own bytes) when it is a regular file of at most
// `limit` bytes. A folder, device, pipe or socket is refused at once, without waiting for
// any data; the message names the file as TerminalText::fileName shows it.
[[nodiscard]] Result read(const QByteArray& path, qint64 limit);

// "1 MiB", "64 KiB" or "1000 bytes": how the messages give a limit.
QString limitText(qint64 limit);

} // namespace ReadFile
