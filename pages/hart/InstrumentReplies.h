#pragma once

#include "pages/hart/HartCommands.h"
#include "pages/hart/HartReply.h"

#include <QByteArray>
#include <QDate>
#include <QString>
#include <QStringList>
#include <array>
#include <cstdint>
#include <optional>
#include <vector>

// What an instrument's replies to the reading commands carry, field by field: plain
// functions from a reply frame to a typed result, no I/O. Data offsets count from the first
// byte after the two status bytes; floats are big-endian singles.
//
// A reply that cannot be read (another command's, cut before its checksum, a checksum that
// does not match, a communication error, a response code that is an error) fills nothing
// and says why. A reply shorter than its layout fills the fields it holds and names the
// ones it stopped before. A warning response code still fills: the command was carried out.
namespace InstrumentReplies {

struct Reading {
    QString refused;     // why nothing was filled; empty when the reply was read
    QStringList missing; // the fields a short reply stopped before, in layout order
    bool read() const { return refused.isEmpty(); }
    bool complete() const { return read() && missing.isEmpty(); }
    // For a status line: "" when complete, else the reason nothing was read or
    // "the reply stops before: damping, write protect".
    QString summary() const;
};

// Command 0, with what HART 6 and 7 added after the device identifier.
struct Identity {
    Reading reading;
    std::optional<uint8_t> expansion; // byte 0, 254
    std::optional<uint16_t> manufacturer, deviceType; // as HartCommands::Identity reads them
    std::optional<uint8_t> requestPreambles, hartRevision, deviceRevision, softwareRevision;
    std::optional<uint8_t> hardwareRevision, physicalSignaling; // byte 7: bits 7-3, bits 2-0
    std::optional<uint8_t> flags;
    std::optional<std::array<uint8_t, 3>> deviceId;
    // From HART 6 on.
    std::optional<uint8_t> responsePreambles, highestDeviceVariable;
    std::optional<uint16_t> configChangeCounter;
    std::optional<uint8_t> extendedStatus;
    // From HART 7 on (the manufacturer of bytes 17-18 is in `manufacturer`).
    std::optional<uint16_t> distributor;
    std::optional<uint8_t> deviceProfile;
    // What the page and the scan keep of command 0 (the long frame's address above all), once
    // bytes 0-11 are there. Its codes are the page's reading: take the ones above.
    std::optional<HartCommands::Identity> basic;
};
Identity readIdentity(const HartReply::Frame& reply);

// Command 7.
struct LoopConfiguration {
    Reading reading;
    std::optional<uint8_t> pollingAddress, loopCurrentMode;
};
LoopConfiguration readLoopConfiguration(const HartReply::Frame& reply);

// Command 8 (classifications) and command 50 (device variable codes): one code each for
// PV, SV, TV and QV.
struct DynamicCodes {
    Reading reading;
    std::array<std::optional<uint8_t>, 4> codes;
};
DynamicCodes readClassifications(const HartReply::Frame& reply);
DynamicCodes readAssignments(const HartReply::Frame& reply);

// Command 12 (32 characters) and command 20 (32 Latin-1 characters), padding trimmed.
struct Text {
    Reading reading;
    std::optional<QString> text;
};
Text readMessage(const HartReply::Frame& reply);
Text readLongTag(const HartReply::Frame& reply);

// Command 13.
struct TagDescriptorDate {
    Reading reading;
    std::optional<QString> tag, descriptor;
    struct Date {
        int day = 0, month = 0, year = 0; // year in full: byte 20 + 1900
        QDate date() const { return QDate(year, month, day); } // invalid for a date that is none
    };
    std::optional<Date> date;
};
TagDescriptorDate readTagDescriptorDate(const HartReply::Frame& reply);

// Command 14.
struct Transducer {
    Reading reading;
    std::optional<uint32_t> serial;
    std::optional<uint8_t> unit; // of the limits and the minimum span
    std::optional<float> upperLimit, lowerLimit, minimumSpan;
};
Transducer readTransducer(const HartReply::Frame& reply);

// Command 15. The analog channel flags are part of the layout from HART 6 on.
struct Output {
    Reading reading;
    std::optional<uint8_t> alarmSelection, transferFunction, rangeUnit;
    std::optional<float> upperRange, lowerRange, damping;
    std::optional<uint8_t> writeProtect, analogChannelFlags;
};
Output readOutput(const HartReply::Frame& reply, int hartRevision);

// Command 16.
struct FinalAssembly {
    Reading reading;
    std::optional<uint32_t> number;
};
FinalAssembly readFinalAssembly(const HartReply::Frame& reply);

// Command 33 (HART 5) and command 9 (HART 6 on): one slot for each variable code asked.
struct Variable {
    uint8_t code = 0;
    std::optional<uint8_t> classification; // command 9 only
    uint8_t unit = 0;
    float value = 0;
    std::optional<uint8_t> status; // command 9 only
};
struct Variables {
    Reading reading;
    std::optional<uint8_t> extendedStatus; // command 9's first byte
    std::vector<Variable> variables;       // the whole slots the reply holds
    std::optional<uint32_t> timeStamp;     // HART 7: 1/32 ms since midnight
};
// `asked` is how many codes the request carried (at most 4 for command 33, 8 for command 9):
// a reply with fewer slots names the rest missing.
Variables readVariables(const HartReply::Frame& reply, int asked);
Variables readVariablesWithStatus(const HartReply::Frame& reply, int asked, int hartRevision);

// The data of command 33 or 9 requests for `codes`, at most four codes a request, in order.
std::vector<QByteArray> variableRequests(const std::vector<uint8_t>& codes);
constexpr int kVariablesPerRequest = 4;

// Command 48. HART 5 instruments use bytes 6-13 their own way: they stay in `hart5Bytes`.
struct AdditionalStatus {
    Reading reading;
    std::optional<QByteArray> deviceSpecific; // bytes 0-5
    std::optional<uint8_t> extendedStatus, operatingMode, standardized0, standardized1;
    std::optional<uint8_t> analogSaturated, standardized2, standardized3, analogFixed;
    QByteArray hart5Bytes;         // bytes 6-13 of a HART 5 reply, as far as sent
    QByteArray moreDeviceSpecific; // bytes 14-24, as far as sent
};
AdditionalStatus readAdditionalStatus(const HartReply::Frame& reply, int hartRevision);

} // namespace InstrumentReplies
