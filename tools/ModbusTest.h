#pragma once

#include "tools/BuiltRequest.h"

#include <QByteArray>
#include <cstdint>

// Read Holding Registers (function 3): slave, then start and count as 16-bit big-endian
// values, then the CRC low byte first. Refused unless the slave is 0-247, the start
// 0-65535 and the count 1-125 (the most one reply carries).
BuiltRequest modbusReadRequest(int32_t slave, int32_t start, int32_t count);

// The frame with its CRC-16/MODBUS appended, low byte first.
QByteArray withModbusCrc(QByteArray frame);
