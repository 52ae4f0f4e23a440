#pragma once

#include "pages/hart/HartStatus.h"

#include <QByteArray>
#include <QStringList>
#include <cstdint>
#include <optional>

// An instrument's reply frame as it arrives: preambles, delimiter (0x06 with a polling
// address, 0x86 with a five-byte address), address, command, byte count, the byte count's
// bytes (two status bytes, then the data) and a checksum. Plain functions, no I/O.
namespace HartReply {

struct Frame {
    qsizetype start = 0; // the delimiter's index in the bytes read
    uint8_t delimiter = 0;
    QByteArray address;
    uint8_t command = 0;
    uint8_t byteCount = 0;
    QByteArray body;         // what arrived of the byte count's bytes
    bool whole = false;      // the body and the checksum are all there
    bool checksumOk = false; // the checksum arrived and matches

    bool longAddress() const { return delimiter == 0x86; }
    bool hasStatus() const { return body.size() >= 2; }
    // The two status bytes read for this frame's command; zeros while they are missing.
    HartStatus::Status status() const;
    // Only the status bytes, no data.
    bool statusOnly() const { return byteCount == 2; }
    // The data after the status bytes, as far as it arrived.
    QByteArray data() const { return body.mid(2); }
    // The polling address a short-address reply comes from (0 to 63).
    int pollAddress() const { return address.isEmpty() ? -1 : uint8_t(address[0]) & 0x3F; }
    // The index just past its checksum, in the bytes read.
    qsizetype end() const { return start + 1 + address.size() + 2 + byteCount + 1; }
};

// What a master frame asks (delimiter 0x02 or 0x82, after any preamble bytes): the
// instrument's address, with the master and burst bits of its first byte cleared, and the
// command. Nothing when the bytes are not such a frame or stop before its command.
struct Request {
    bool longAddress = false;
    QByteArray address;
    uint8_t command = 0;
};
std::optional<Request> request(const QByteArray& frame);

// Whether `frame` (a reply's) comes from the instrument `asked` addresses and answers its
// command.
bool answers(const Frame& frame, const Request& asked);

// The first reply in `bytes` whose header (delimiter to byte count) has arrived; absent
// while there is none. Like the page's decoders it starts at a 0xFF followed by 0x06 or
// 0x86, so that the last preamble byte marks it.
std::optional<Frame> read(const QByteArray& bytes);

// What the bytes gathered for a reply still lack before the frame is whole, from the
// first piece missing on: "preambles", "delimiter", "address", "command", "byte count",
// "data", "checksum". Empty once the checksum has arrived, whatever it says.
QStringList missing(const QByteArray& bytes);

// What in `received` may answer `request`, a master frame after at least one preamble byte
// (without one, a MODBUS request to slave 2 reads as a master frame): the bytes from the first reply
// frame that comes from the instrument the request addressed and answers its command, or
// whose header has not all arrived. Whole frames from another instrument or for another
// command (a late answer to an earlier request) are passed over, so read() and missing()
// on the result never see them. The master and burst bits of the address are not
// compared. `received` comes back whole when the request is no master frame.
QByteArray answerTo(const QByteArray& received, const QByteArray& request);

// Whether answerTo() keeps the answers to two master frames apart: both are master frames,
// to different instruments or for different commands. When they are, a late answer to the
// first cannot be taken for the second's.
bool toldApart(const QByteArray& first, const QByteArray& second);

} // namespace HartReply
