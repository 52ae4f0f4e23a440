#pragma once

#include <QByteArray>
#include <QDate>
#include <QString>
#include <cstdint>
#include <optional>

// The data of the requests that write an instrument's settings, from plain values, no I/O.
// A value the request cannot carry, or one the instrument would certainly refuse, is
// refused here with the reason, so that nothing is sent for it; everything else is left
// to the instrument's response codes.
namespace InstrumentWrites {

struct Request {
    uint8_t command = 0;
    QByteArray data;
    QString refused; // why nothing may be sent; empty when it may
    bool ok() const { return refused.isEmpty(); }
};

// Text in HART's six-bit packed code, `characters` long (a multiple of four), padded with
// blanks. Lower case is sent as upper case; a character the code has no place for, or text
// longer than `characters`, is refused naming it: "the tag cannot hold 'é'". `what` names
// the field in the message.
Request packed(const QString& text, int characters, const char* what);

// Command 6: always both bytes, since one byte with an address above 0 turns the loop
// current off on older instruments.
Request pollingAddress(int address, bool loopCurrentEnabled);
// Command 17: 32 characters.
Request message(const QString& text);
// Command 18: tag (8 characters), descriptor (16) and a date from 1900 to 2155.
Request tagDescriptorDate(const QString& tag, const QString& descriptor, const QDate& date);
// Command 22: 32 Latin-1 characters, NUL-padded.
Request longTag(const QString& text);
// Command 34: seconds, not negative.
Request damping(float seconds);

// The sensor's limits and least span (command 14), in their unit.
struct SensorLimits {
    uint8_t unit = 0;
    float lower = 0, upper = 0, minimumSpan = 0;
};
// Command 35: unit code, then the upper value, then the lower. The upper value must be above
// the lower one; where the range is in the sensor's unit, both must lie within its limits
// and their span must not be narrower than its least span.
Request range(uint8_t unit, float lower, float upper, const std::optional<SensorLimits>& sensor = std::nullopt);
// Command 44.
Request pvUnit(uint8_t unit);
// Command 47.
Request transferFunction(uint8_t code);
// Command 38: no data, or from HART 7 the configuration change counter as last read.
Request resetChangedFlag(std::optional<uint16_t> counter);
// Command 40: the loop current to hold in mA; 0 leaves fixed current mode.
Request fixedCurrent(float milliamps);

} // namespace InstrumentWrites
