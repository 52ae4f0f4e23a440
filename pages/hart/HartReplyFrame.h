#pragma once

#include <QByteArray>
#include <QStringList>
#include <cstdint>
#include <optional>

// An instrument's reply frame as it arrives through the converter: preambles, the
// delimiter 06 (short address) or 86 (long), the address (1 or 5 bytes), command, byte
// count, that many bytes (response code, device status, data), checksum. Bytes before the
// last preamble byte and the delimiter are skipped, a master frame's echo among them.
namespace HartReplyFrame {

// What the bytes gathered so far lack before a reply frame is whole ("7 more bytes");
// empty once it is, whatever its checksum says. For a converter session's `missing`.
QStringList missing(const QByteArray& received);

struct Frame {
    bool longAddress = false;
    QByteArray address; // 1 or 5 bytes, as received
    uint8_t command = 0;
    uint8_t responseCode = 0;
    uint8_t deviceStatus = 0;
    QByteArray data;    // after the two status bytes
    bool checksumOk = false;
};
// The first whole reply frame; nothing while there is none. A byte count below 2 cannot
// carry the status bytes: such a frame reads as a bad checksum.
std::optional<Frame> read(const QByteArray& received);

} // namespace HartReplyFrame
