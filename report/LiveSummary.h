#pragma once

#include <QByteArray>
#include <QDateTime>
#include <QString>
#include <QStringList>
#include <optional>
#include <vector>

// What a recorded live run (the CSV that Live Values and the monitor command write) shows at
// a glance: its span, its cycles, and per column how many values came, how many were
// missed, their least, greatest and last value, and the unit.
namespace LiveSummary {

struct Column {
    QString key;  // "hart5.pv", "slot2.variable_1"
    QString unit; // from the header's brackets, or the last unit the replies named
    int values = 0, missed = 0;
    std::optional<double> least, greatest, last;
    QString lastText; // a status column's last text
    bool text = false;

    // The HART polling address ("hart5.pv": 5) or the device slot ("slot2.current": 2) the
    // column reads; nothing for another key.
    std::optional<int> hartAddress() const;
    std::optional<int> slot() const;
};

struct Run {
    QDateTime first, last; // the first and last cycle's time (UTC)
    int cycles = 0;
    std::vector<Column> columns;
};

// A run's CSV: the header row "time,...", then one row per cycle. Nothing when it is not
// such a file; `problems` then says why, with the line number.
std::optional<Run> parse(const QByteArray& csv, QStringList& problems);

// A recorded run is some 100 bytes a cycle; a day at one a second stays well below this.
constexpr qint64 kFileLimit = qint64(64) << 20;

// The run recorded in the file at `path` (the file system's own bytes); nothing when it
// cannot be read or is not such a file, and `problem` then names the file and says why.
std::optional<Run> load(const QByteArray& path, QString& problem);

} // namespace LiveSummary
