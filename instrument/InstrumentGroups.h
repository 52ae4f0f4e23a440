#pragma once

#include <QJsonObject>
#include <QString>
#include <vector>

// A snapshot as people read it: labelled rows in groups, the same for the Instrument window
// and the command line's text. Values from the instrument come as they are; whoever prints
// them to a terminal escapes them there.
namespace InstrumentGroups {

struct Row {
    QString label; // "Range"
    QString value; // "0 to 250 kPa"; "-" where the instrument gave nothing
};

struct Group {
    QString title; // "PV output"
    std::vector<Row> rows;
};

// Identity; Tag and message; PV output; Sensor; Device variables; Diagnostics; and, when
// some command gave nothing, Not read.
std::vector<Group> groups(const QJsonObject& snapshot);

// The groups as plain text: each title, then its rows with their values lined up.
QString text(const std::vector<Group>& groups);

} // namespace InstrumentGroups
