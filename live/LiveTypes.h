#pragma once

#include <QDateTime>
#include <QString>
#include <optional>
#include <vector>

// One value a live source reads each cycle: "slot2.variable_1", "hart1.pv".
struct LiveColumn {
    QString key;
    QString unit;      // "bar", "mA"; empty while unknown
    bool text = false; // a status column, shown as text, never plotted
    bool unitPerReply = false; // each reply names the unit: unknown before one, and it may change

    // The CSV header's name: the key, then the unit in brackets where known.
    QString header() const { return unit.isEmpty() ? key : key + u'[' + unit + u']'; }
};

// A column's value in one cycle: a number, a status text, or empty when the reply was
// missed or garbled.
struct LiveCell {
    std::optional<double> number;
    QString text;

    bool empty() const { return !number && text.isEmpty(); }
};

// One cycle: when it began (UTC) and a cell per column, in the sampler's column order.
struct LiveRow {
    QDateTime time;
    std::vector<LiveCell> cells;
};

// How one source's requests have fared since the run began.
struct LiveStats {
    int requests = 0;
    int answers = 0;    // sound replies, exceptions included
    int timeouts = 0;   // nothing came
    int crcErrors = 0;  // something came, but no sound frame: bad CRC or checksum, cut short
    int exceptions = 0; // MODBUS exception replies
    int lastResponseMs = -1; // from the request's last byte written to its answer; -1 before one
};
