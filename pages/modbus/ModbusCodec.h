#pragma once

#include "tools/BuiltRequest.h"
#include "exchange/FieldUpdate.h"

#include <QByteArray>
#include <QString>
#include <QStringList>
#include <array>
#include <cstdint>

// Requests and reply decoding of the MODBUS mapping: device slots, register formats, the
// custom parsing table and commands, the module mode and the coefficients. The builders
// refuse a list without a chosen item and a number outside its digits, naming the field.
namespace ModbusCodec {

constexpr int kMeterTypes = 20;

// "400" + slot + the value's odd digit: "40031" for slot 3, value 0.
QString registerLabel(int slot, int value);

constexpr int kSlots = 5; // device slots 0-4

BuiltRequest queryRequest(int slot); // "QQQ#QQ" slot "#"

struct SlotSettings {
    int enabled = 0, deviceMode = 0, meterType = 0, preamble = 0; // item indexes
    int32_t clearTime = 0;                                         // seconds
};
BuiltRequest slotSettingsRequest(int slot, const SlotSettings& s);
BuiltRequest formatsRequest(int slot, const std::array<int, 5>& formats);

struct ParseRow {
    int command = 0; // item index
    int32_t start = 0;
    int length = 0; // item index
};
BuiltRequest parsingRequest(int slot, int addressBits, const std::array<ParseRow, 4>& rows);

BuiltRequest moduleModeRequest(int mode);
// The coefficients are sent as their first five characters, as typed.
BuiltRequest coefficientModeRequest(int mode, const QByteArray& five);
QByteArray coefficientsRequest(const QByteArray& two, const QByteArray& three,
                               const QByteArray& four);
constexpr int kCommandBytes = 14; // bytes one custom read command holds

// "QQS#CAMD" slot command ":" open "<" count "," and the bytes themselves (at most
// kCommandBytes).
BuiltRequest customCommandRequest(int slot, int command, int open, const QByteArray& bytes);

// The query's reply for the selected slot: keys with a slot digit ("HART1:", "DFO1:",
// "ZDY1:", "CAMD11:") are read only for that slot. The meter type decides whether the
// custom part is read; when the reply carries none, the list's current item
// (`meterTypeNow`) decides. The meter type and a command's count are two digits; a sign
// there is the conversion error.
Decoded decodeReply(const QByteArray& text, int meterTypeNow, int slot);
// The keys of that reply that are absent or cut short of the characters decodeReply reads
// after them ("HART2:", "CAMD21:"); the custom keys count only when the reply's meter type
// (or, without one, `meterTypeNow`) is the custom meter. Empty once the reply is complete.
QStringList missingKeys(const QByteArray& text, int meterTypeNow, int slot);

} // namespace ModbusCodec
