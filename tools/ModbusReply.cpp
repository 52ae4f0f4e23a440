#include "tools/ModbusReply.h"

#include "tools/Crc16.h"

namespace ModbusReply {
namespace {

constexpr uint8_t kRead = 0x03;
constexpr uint8_t kException = 0x80 | kRead;

uint8_t at(const QByteArray& b, qsizetype i) { return static_cast<uint8_t>(b[i]); }

// Where the answer starts: the slave's address followed by 03 or 83; -1 while not seen.
qsizetype start(const QByteArray& b, uint8_t slave)
{
    for (qsizetype i = 0; i + 1 < b.size(); ++i)
        if (at(b, i) == slave && (at(b, i + 1) == kRead || at(b, i + 1) == kException)) return i;
    return -1;
}

// The whole frame's length from its start, once its header says it; -1 before.
qsizetype frameLength(const QByteArray& b, qsizetype s)
{
    if (at(b, s + 1) == kException) return 5;
    if (s + 2 >= b.size()) return -1;
    return 5 + at(b, s + 2);
}

} // namespace

QStringList missing(const QByteArray& received, uint8_t slave)
{
    const qsizetype s = start(received, slave);
    if (s < 0) return {QStringLiteral("an answer from slave %1").arg(slave)};
    const qsizetype length = frameLength(received, s);
    if (length < 0) return {QStringLiteral("the byte count")};
    const qsizetype lacking = s + length - received.size();
    if (lacking <= 0) return {};
    return {QStringLiteral("%1 more bytes").arg(lacking)};
}

Answer read(const QByteArray& received, uint8_t slave, int count)
{
    Answer out;
    const qsizetype s = start(received, slave);
    if (s < 0) return out;
    const qsizetype length = frameLength(received, s);
    if (length < 0 || s + length > received.size()) return out;
    const QByteArray frame = received.mid(s, length);
    const Crc16Bytes crc =
        crc16Modbus(reinterpret_cast<const uint8_t*>(frame.constData()), size_t(length - 2));
    if (at(frame, length - 2) != crc.low || at(frame, length - 1) != crc.high) return out;
    if (at(frame, 1) == kException) {
        out.kind = Answer::Kind::Exception;
        out.exceptionCode = at(frame, 2);
        return out;
    }
    if (at(frame, 2) != 2 * count) return out;
    out.kind = Answer::Kind::Registers;
    for (int r = 0; r < count; ++r)
        out.registers.push_back(uint16_t(at(frame, 3 + 2 * r) << 8 | at(frame, 4 + 2 * r)));
    return out;
}

} // namespace ModbusReply
