#pragma once

#include <QByteArray>
#include <QStringList>
#include <cstdint>
#include <vector>

// A slave's answer to Read Holding Registers (modbusReadRequest), as the master reads it:
// slave, 03, byte count, the registers high byte first, CRC low byte first; or an
// exception: slave, 83, code, CRC. Bytes before the slave's address and function (noise
// on the line) are skipped.
namespace ModbusReply {

// What the bytes gathered so far lack before the answer from `slave` is whole ("12 more
// bytes"); empty once it is, whatever its CRC says. For a converter session's `missing`.
QStringList missing(const QByteArray& received, uint8_t slave);

struct Answer {
    enum class Kind {
        Registers, // a sound reply with exactly the registers asked for
        Exception, // a sound exception reply
        Garbled,   // cut short, a bad CRC, or a byte count that does not match the request
    };
    Kind kind = Kind::Garbled;
    std::vector<uint16_t> registers;
    uint8_t exceptionCode = 0;
};
// Reads the answer to a request for `count` registers from `slave`.
Answer read(const QByteArray& received, uint8_t slave, int count);

} // namespace ModbusReply
