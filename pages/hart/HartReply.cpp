#include "pages/hart/HartReply.h"

#include <algorithm>

namespace HartReply {

namespace {

const char* const kPieces[] = {"preambles", "delimiter", "address", "command", "byte count", "data", "checksum"};
enum Piece { Preambles, Delimiter, Address, Command, ByteCount, Data, Checksum };

QStringList from(Piece first)
{
    QStringList pieces;
    for (int p = first; p <= Checksum; ++p) pieces << QString::fromLatin1(kPieces[p]);
    return pieces;
}

uint8_t at(const QByteArray& bytes, qsizetype i) { return static_cast<uint8_t>(bytes[i]); }

// The first delimiter after a preamble byte, from `from` on; -1 when there is none yet.
qsizetype delimiterAt(const QByteArray& bytes, qsizetype from = 1)
{
    for (qsizetype i = std::max<qsizetype>(from, 1); i < bytes.size(); ++i)
        if (at(bytes, i - 1) == 0xFF && (at(bytes, i) == 0x06 || at(bytes, i) == 0x86)) return i;
    return -1;
}

} // namespace

HartStatus::Status Frame::status() const
{
    if (!hasStatus()) return {command, 0, 0};
    return {command, at(body, 0), at(body, 1)};
}

std::optional<Frame> read(const QByteArray& bytes)
{
    const qsizetype d = delimiterAt(bytes);
    if (d < 0) return std::nullopt;
    Frame f;
    f.start = d;
    f.delimiter = at(bytes, d);
    const qsizetype addressSize = f.longAddress() ? 5 : 1;
    const qsizetype count = d + 1 + addressSize + 1; // the byte count's index
    if (count >= bytes.size()) return std::nullopt;
    f.address = bytes.mid(d + 1, addressSize);
    f.command = at(bytes, count - 1);
    f.byteCount = at(bytes, count);
    f.body = bytes.mid(count + 1, f.byteCount);
    const qsizetype checksum = count + 1 + f.byteCount;
    f.whole = checksum < bytes.size();
    if (f.whole) {
        uint8_t sum = 0;
        for (qsizetype i = d; i < checksum; ++i) sum ^= at(bytes, i);
        f.checksumOk = sum == at(bytes, checksum);
    }
    return f;
}

QStringList missing(const QByteArray& bytes)
{
    const qsizetype d = delimiterAt(bytes);
    if (d < 0) return from(bytes.contains(char(0xFF)) ? Delimiter : Preambles);
    const qsizetype addressSize = at(bytes, d) == 0x86 ? 5 : 1;
    const qsizetype after = bytes.size() - (d + 1); // bytes after the delimiter
    if (after < addressSize) return from(Address);
    if (after < addressSize + 1) return from(Command);
    if (after < addressSize + 2) return from(ByteCount);
    const qsizetype body = at(bytes, d + addressSize + 2);
    if (after < addressSize + 2 + body) return from(Data);
    if (after < addressSize + 3 + body) return from(Checksum);
    return {};
}

std::optional<Request> request(const QByteArray& frame)
{
    qsizetype d = 0;
    while (d < frame.size() && at(frame, d) == 0xFF) ++d;
    if (d >= frame.size() || (at(frame, d) != 0x02 && at(frame, d) != 0x82)) return std::nullopt;
    Request out;
    out.longAddress = at(frame, d) == 0x82;
    const qsizetype size = out.longAddress ? 5 : 1;
    if (d + 1 + size >= frame.size()) return std::nullopt;
    out.address = frame.mid(d + 1, size);
    out.address[0] = char(at(out.address, 0) & 0x3F);
    out.command = at(frame, d + 1 + size);
    return out;
}

bool answers(const Frame& frame, const Request& asked)
{
    if (frame.address.isEmpty() || frame.command != asked.command) return false;
    QByteArray address = frame.address;
    address[0] = char(at(address, 0) & 0x3F);
    return address == asked.address;
}

QByteArray answerTo(const QByteArray& received, const QByteArray& frame)
{
    const std::optional<Request> asked = frame.startsWith(char(0xFF)) ? request(frame) : std::nullopt;
    if (!asked) return received;
    qsizetype after = 0; // past the frames passed over
    for (qsizetype d; (d = delimiterAt(received, after + 1)) >= 0;) {
        const std::optional<Frame> reply = read(received.mid(d - 1));
        // Not yet told apart, or the request's own answer.
        if (!reply || !reply->whole || answers(*reply, *asked)) return received.mid(d - 1);
        after = d - 1 + reply->end();
    }
    return received.mid(after);
}

bool toldApart(const QByteArray& first, const QByteArray& second)
{
    if (!first.startsWith(char(0xFF)) || !second.startsWith(char(0xFF))) return false;
    const std::optional<Request> a = request(first), b = request(second);
    return a && b && (a->address != b->address || a->command != b->command);
}

} // namespace HartReply
