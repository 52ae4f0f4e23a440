#pragma once

#include <QByteArray>
#include <cstdint>

// Read Holding Registers (function 3): slave, start and count, each its low 8 bits, the
// high bytes 0, then the CRC low byte first.
QByteArray modbusReadRequest(int32_t slave, int32_t start, int32_t count);

// The frame with its CRC-16/MODBUS appended, low byte first.
QByteArray withModbusCrc(QByteArray frame);
