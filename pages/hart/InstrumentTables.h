#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>
#include <cstdint>
#include <optional>

// The codes an instrument's replies carry, in words: the common unit codes, and the codes
// and bits of the PV output, the device variables and the diagnostics. A code without a
// meaning here is named by its number ("transfer function 9"), never guessed.
namespace InstrumentTables {

// "kPa", "°C", "m³/h"; codes 170-219 depend on the variable's classification, 240-249 are
// the maker's own.
QString unitName(int code);
QString transferFunction(int code); // 0 "linear", 1 "square root", ...
// The code a name or number stands for, as a user types it: "kPa", "m3/h", "degC", "12";
// "square root", "1". Nothing for a name the table does not hold.
std::optional<int> unitCode(const QString& name);
std::optional<int> transferFunctionCode(const QString& name);
QString alarmSelection(int code);   // 0 "high", 1 "low", 239 "hold last value", ...
QString writeProtect(int code);     // 0 "not write-protected", 1 "write-protected", 250 "not used", ...
QString classification(int code);   // 64 "temperature", 65 "pressure", ...
QString loopCurrentMode(int code);  // 0 "disabled", 1 "enabled"

// A device variable's status byte: the quality of its value (bits 7-6), its limits (bits
// 5-4) and whether more status is available (bit 3): "good", "poor accuracy, low limited".
QString variableStatus(uint8_t status);

// The words of each bit set, least significant first; bits without a name as "bit 0x40".
QStringList extendedDeviceStatus(uint8_t bits);
QStringList standardizedStatus0(uint8_t bits);

// Bytes the maker defines, as "0A FF 00"; "" for none.
QString hexBytes(const QByteArray& bytes);

} // namespace InstrumentTables
