#pragma once

#include <QJsonValue>
#include <QList>
#include <QString>
#include <vector>

// Every setting a profile holds: its key in the file, the control that holds it in the
// window, the values it accepts, and the request that writes it and the query that reads
// it back. Reading, writing, checking and comparing profiles all walk this one table.
namespace ProfileSchema {

enum class Kind {
    Choice,      // one of `choices`, kept as the list's item index
    Flag,        // true or false: a check box, or a two-item list (item 1 for true)
    Number,      // an integer within [low, high] in steps of `scale`; the edit holds value / scale
    Coefficient, // five characters as the converter reads them: "1.000"
    HexCommand,  // up to 14 bytes as hex pair text: "01 03 00 00 00 02"
};

// Which query reads a setting back: the system query, a device slot's query (0 to 4) or a
// monitoring slot's query (1 to 6).
struct Query {
    enum Which { System, Device, Monitor } which = System;
    int slot = 0;
    bool operator==(const Query&) const = default;
};

struct Setting {
    QString key;     // "modbus.devices[2].meter_type"
    QString control; // the control's name in the window
    Kind kind = Kind::Choice;
    QList<QJsonValue> choices;
    int low = 0, high = 0, scale = 1;
    int device = -1;      // the device slot the MODBUS page must show to write it
    QString setButton;    // the "Set" button whose request carries it; empty: not written
    Query query;
    bool customOnly = false; // held only for a slot whose meter type is the custom meter
    bool optional = false;   // may be absent (the module mode, which repeats the working mode)
    bool checkBox = false;   // a Flag held by a check box rather than a two-item list

    // What the setting accepts, for messages: "one of \"None\", \"Odd\", \"Even\"".
    QString accepts() const;
    // Whether a value is one the setting accepts.
    bool accepts(const QJsonValue& value) const;
};

// The settings in the order they are written; the two baud-rate requests come last.
const std::vector<Setting>& settings();
const Setting* find(const QString& key);

// The key of a device slot's meter type, which decides whether its custom keys are held.
QString meterTypeKey(int device);
extern const QString kCustomMeter; // "Custom Meter"

// The format's name and version, as the file's first two keys carry them.
extern const QString kFormatName;
constexpr int kVersion = 1;

} // namespace ProfileSchema
