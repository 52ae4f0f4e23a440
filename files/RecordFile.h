#pragma once

#include <QByteArray>
#include <QString>

// A file that grows one record at a time (a CSV row, a traffic log line), each written
// through at once, so that an interrupted run keeps every record up to its end. The name is
// the file system's own bytes. A record that cannot be written whole (a full disk, a
// file-size limit) is cut off again where the file can be cut, so the file ends with the
// last whole record, and the reason is kept.
class RecordFile {
public:
    RecordFile() = default;
    ~RecordFile() { close(); }
    RecordFile(const RecordFile&) = delete;
    RecordFile& operator=(const RecordFile&) = delete;

    enum class Opening { Replace, Append };
    // Creates the file, or empties it (Replace) or writes after what it holds (Append);
    // empty on success, else the system's reason.
    QString open(const QByteArray& path, Opening opening = Opening::Replace);
    // Writes to the standard output instead, which is left open on close().
    void openStandardOutput();
    bool isOpen() const { return fd_ >= 0; }
    void close();

    // False when the record could not be written whole; errorString() then says why.
    bool write(const QByteArray& record);
    // The system's reason for the last failure: "No space left on device".
    QString errorString() const { return error_; }

private:
    int fd_ = -1;
    bool owned_ = false;
    qint64 size_ = 0; // bytes of whole records written
    QString error_;
};
