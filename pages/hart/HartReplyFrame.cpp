#include "pages/hart/HartReplyFrame.h"

namespace HartReplyFrame {
namespace {

constexpr uint8_t kShortReply = 0x06, kLongReply = 0x86;

uint8_t at(const QByteArray& b, qsizetype i) { return static_cast<uint8_t>(b[i]); }

// The delimiter's index, after a preamble byte; -1 while not seen.
qsizetype delimiter(const QByteArray& b)
{
    for (qsizetype i = 1; i < b.size(); ++i)
        if (at(b, i - 1) == 0xFF && (at(b, i) == kShortReply || at(b, i) == kLongReply)) return i;
    return -1;
}

qsizetype addressSize(const QByteArray& b, qsizetype d) { return at(b, d) == kLongReply ? 5 : 1; }

// The frame's length from its delimiter to its checksum, once the byte count has come.
qsizetype frameLength(const QByteArray& b, qsizetype d)
{
    const qsizetype count = d + 1 + addressSize(b, d) + 1;
    if (count >= b.size()) return -1;
    return count - d + 1 + at(b, count) + 1;
}

} // namespace

QStringList missing(const QByteArray& received)
{
    const qsizetype d = delimiter(received);
    if (d < 0) return {QStringLiteral("a reply frame")};
    const qsizetype length = frameLength(received, d);
    if (length < 0) return {QStringLiteral("the byte count")};
    const qsizetype lacking = d + length - received.size();
    if (lacking <= 0) return {};
    return {QStringLiteral("%1 more bytes").arg(lacking)};
}

std::optional<Frame> read(const QByteArray& received)
{
    const qsizetype d = delimiter(received);
    if (d < 0) return std::nullopt;
    const qsizetype length = frameLength(received, d);
    if (length < 0 || d + length > received.size()) return std::nullopt;
    const QByteArray frame = received.mid(d, length);
    const qsizetype a = addressSize(frame, 0);
    Frame out;
    out.longAddress = a == 5;
    out.address = frame.mid(1, a);
    out.command = at(frame, 1 + a);
    const int count = at(frame, 2 + a);
    uint8_t sum = 0;
    for (qsizetype i = 0; i + 1 < length; ++i) sum ^= at(frame, i);
    out.checksumOk = sum == at(frame, length - 1) && count >= 2;
    if (count >= 2) {
        out.responseCode = at(frame, 3 + a);
        out.deviceStatus = at(frame, 4 + a);
        out.data = frame.mid(5 + a, count - 2);
    }
    return out;
}

} // namespace HartReplyFrame
