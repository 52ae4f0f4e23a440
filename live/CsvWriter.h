#pragma once

#include "live/LiveTypes.h"

#include <QFile>
#include <QString>
#include <vector>

// A live run as CSV: a header row ("time", then each column's key with its unit in
// brackets where known), then one row per cycle: its time in RFC 3339 UTC with
// milliseconds, then each value, empty where the reply was missed. Each row is flushed
// as it is written, so an interrupted run keeps every finished row.
class CsvWriter {
public:
    CsvWriter() = default;
    CsvWriter(const CsvWriter&) = delete;
    CsvWriter& operator=(const CsvWriter&) = delete;

    // Opens (and empties) the file, or takes the standard output for "-"; empty on
    // success, else why not.
    QString open(const QString& path);
    bool isOpen() const { return file_.isOpen(); }
    void close();

    // Writes the header before the first row; the columns' units are taken as they are then.
    // False when the write failed (errorString() says why).
    bool write(const std::vector<LiveColumn>& columns, const LiveRow& row);
    QString errorString() const { return file_.errorString(); }

    static QString timeText(const QDateTime& time);
    // A field quoted when it holds a comma, a quote or a line break.
    static QString field(const QString& text);

private:
    QFile file_;
    bool headerWritten_ = false;
};
