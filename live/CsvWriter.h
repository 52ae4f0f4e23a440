#pragma once

#include "files/RecordFile.h"
#include "live/LiveTypes.h"

#include <QByteArray>
#include <QString>
#include <vector>

// A live run as CSV: a header row, then one row per cycle: its time in RFC 3339 UTC with
// milliseconds, then each value, empty where the reply was missed. The header is "time",
// then each column's key, with its unit in brackets where the unit is fixed ("[mA]"). A
// unit that each reply names (a HART variable's) gets a column of its own beside the value
// ("hart1.pv_unit"), filled wherever the value is: the header stays the same whichever
// replies came first, and a unit changed during the run shows on its rows. Each row is
// written through as it is written, so an interrupted run keeps every finished row, and a
// row that cannot be written whole is taken out again.
class CsvWriter {
public:
    CsvWriter() = default;
    CsvWriter(const CsvWriter&) = delete;
    CsvWriter& operator=(const CsvWriter&) = delete;

    // Opens (and empties) the file whose name is these bytes, or takes the standard output
    // for "-"; empty on success, else the system's reason.
    QString open(const QByteArray& path);
    // A name as a file dialog gives it.
    QString open(const QString& path);
    bool isOpen() const { return file_.isOpen(); }
    void close();

    // Writes the header before the first row. False when the write failed: errorString()
    // says why, fileName() where.
    bool write(const std::vector<LiveColumn>& columns, const LiveRow& row);
    // The system's reason for the last failure: "No space left on device".
    QString errorString() const { return file_.errorString(); }
    // The file as messages show it (control characters escaped), or "standard output".
    QString fileName() const { return name_; }

    static QString timeText(const QDateTime& time);
    // A field quoted when it holds a comma, a quote or a line break.
    static QString field(const QString& text);

private:
    RecordFile file_;
    QString name_;
    bool headerWritten_ = false;
};
