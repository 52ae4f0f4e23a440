#pragma once

#include "profile/Profile.h"

#include <QDateTime>
#include <QString>
#include <array>
#include <map>
#include <optional>
#include <vector>

// The holding registers a converter publishes, as a table for whoever programs the MODBUS
// master: one row per value of each device slot, with its address in both notations, its
// data type, word order and the words that carry 100. Built from a profile document alone;
// printing it is RegisterMapText's job.
namespace RegisterMap {

// What an instrument reading adds to the rows of the slot that polls it.
struct Instrument {
    QString tag;
    // The unit of each published value: the loop current, then variables 1 to 4 (the
    // instrument's PV, SV, TV and QV). Empty where the reading gave none.
    std::array<QString, 5> units;
};
// By HART polling address.
using Instruments = std::map<int, Instrument>;

// Where the settings came from, for the map's first line.
struct Source {
    enum Kind { ProfileFile, Converter, Window } kind = ProfileFile;
    QString name;  // the profile's file name, or the port; shown as it is (escaped when printed)
    QDateTime at;  // when the converter was read, or the window's settings taken
};

struct Row {
    int slot = 0;
    int value = 0; // 0 the loop current, 1 to 4 variables 1 to 4
    bool enabled = true;
    int format = 0; // the register format code, 0 to 4
    QString meterType;
    std::optional<int> pollingAddress; // known in multi-slave mode only
    QString tag, unit;                 // from an instrument reading; empty otherwise

    int address() const { return 10 * slot + 2 * value; } // the 0-based protocol address
    int holdingRegister() const { return 40001 + address(); }
    static constexpr int count = 2, function = 3;
    QString valueName() const; // "current", "variable_1" ... "variable_4"
    QString type() const;      // "float32", "uint32", "float32 magnitude"
    QString wordOrder() const; // "ABCD", "CDAB"
    QString example() const;   // the two words that carry 100: "42C8 0000"
};

// The converter's settings the registers depend on, as the profile's values ("" when the
// document does not hold one).
struct Port {
    QString baud, parity, baseAddress;
};
struct Header {
    QString slaveAddress, workingMode; // workingMode as the profile spells it: "multi_slave"
    Port rs232Rs485a, rs485b;
};

struct Map {
    Source source;
    Header header;
    std::vector<Row> rows;
    // Slots the document says too little about to map (whether enabled, or a format): a
    // window that has not shown them yet.
    std::vector<int> unknownSlots;

    // The working modes in which the converter publishes the slots' registers.
    bool publishesSlots() const;
};

// The rows of every enabled slot, in register order; with `all`, the disabled slots' rows
// too (Row::enabled false). Tags and units come from the instrument at each row's polling
// address.
Map build(const Profile& profile, const Instruments& instruments = {}, bool all = false);

// The tag and units of an instrument snapshot document, and its polling address (nothing
// when the snapshot holds none).
std::optional<std::pair<int, Instrument>> fromSnapshot(const QJsonObject& snapshot);

} // namespace RegisterMap
