#pragma once

#include "exchange/FieldUpdate.h"

#include <QByteArray>
#include <QString>
#include <array>
#include <cstdint>
#include <optional>

// HART master frames and the decoding of the instrument's answers: plain functions.
namespace HartCodec {

// Manufacturer, device type and identifier of the last instrument that answered
// command 0: the long frame's address.
struct Identity {
    uint8_t manufacturer = 0;
    uint8_t deviceType = 0;
    std::array<uint8_t, 3> id{};
    bool operator==(const Identity&) const = default;
};

constexpr uint8_t kMasterBit = 0x80;

// preambles + 1 bytes of 0xFF, then the frame, then the XOR of everything after the
// preamble. preambles must be -1 or more.
QByteArray shortFrame(int preambles, uint8_t master, int pollAddress, uint8_t command,
                      const QByteArray& data = {});
QByteArray longFrame(int preambles, uint8_t master, const Identity& identity, uint8_t command,
                     const QByteArray& data = {});
QByteArray typedFrame(int preambles, const QByteArray& typed);

// The first i in 0..L-5 with bytes i, i+1 = FF, delimiter; -1 when none.
qsizetype findReply(const QByteArray& chunk, uint8_t delimiter);

// The decoders take the receive buffer (the last chunk, up to 404 bytes): the reply is
// looked for in its first 255 bytes, the received text, and its fields are read from all
// of it.

// What command 0's answer fills: the four edits, the polling address list, and the
// identity to keep (absent when the answer is not there or too short to hold it).
struct IdentityReply {
    Decoded decoded;
    std::optional<Identity> identity;
};
IdentityReply decodeIdentity(const QByteArray& chunk, int keptPollAddress);

// Command 3's answer: the variables its byte count covers, value text and unit each.
Decoded decodeVariables(const QByteArray& chunk, QChar decimalPoint = u'.');
// Empties the four value edits and their mirrors: values read from another instrument.
Decoded blankVariables();

// How the page and the scan show an instrument's codes: a manufacturer or device type as
// "0x26" (`digits` hex digits), the 24-bit device identifier as "00A1B2", and, where there
// is room, either followed by its decimal: "0x26 (38)".
QString codeText(unsigned value, int digits);
QString idText(const std::array<uint8_t, 3>& id);
uint32_t idNumber(const std::array<uint8_t, 3>& id);
QString withDecimal(const QString& hex, unsigned value);

// Whether the answer the decoders would read in `chunk` (the first reply frame of the kind
// the request asks for) comes from the instrument the request addressed and answers its
// command. The master and burst-mode bits of the address are not compared. A chunk without
// such a frame, or a request that is not a short or long master frame, has nothing to
// compare and passes; a frame cut short before its command does not.
bool answers(const QByteArray& chunk, const QByteArray& request);

// A variable's four bytes as shown: "00000000" when the first is 0x7F, else the general
// format in 9 characters (fitGeneral).
QString valueText(const QByteArray& four, QChar decimalPoint = u'.');

} // namespace HartCodec
