#pragma once

#include <cstddef>
#include <cstdint>

// CRC-16/MODBUS (reflected A001, start FFFF, no final XOR), table-driven with the two
// 256-entry byte tables. Returns the two CRC bytes in sending order: low, then high.
struct Crc16Bytes {
    uint8_t low;
    uint8_t high;
};
Crc16Bytes crc16Modbus(const uint8_t* data, size_t size);
