#include "tools/ModbusTest.h"

#include "tools/Crc16.h"

BuiltRequest modbusReadRequest(int32_t slave, int32_t start, int32_t count)
{
    return buildChecked({FieldCheck::number("MODBUS Slave Address", slave, 0, 247),
                         FieldCheck::number("MODBUS Start Address", start, 0, 65535),
                         FieldCheck::number("Read Data Length", count, 1, 125)},
                        [&] {
                            QByteArray frame(6, '\0');
                            frame[0] = static_cast<char>(slave);
                            frame[1] = 0x03;
                            frame[2] = static_cast<char>(start >> 8);
                            frame[3] = static_cast<char>(start & 0xFF);
                            frame[4] = static_cast<char>(count >> 8);
                            frame[5] = static_cast<char>(count & 0xFF);
                            return withModbusCrc(frame);
                        });
}

QByteArray withModbusCrc(QByteArray frame)
{
    const Crc16Bytes crc =
        crc16Modbus(reinterpret_cast<const uint8_t*>(frame.constData()), size_t(frame.size()));
    frame.append(static_cast<char>(crc.low));
    frame.append(static_cast<char>(crc.high));
    return frame;
}
