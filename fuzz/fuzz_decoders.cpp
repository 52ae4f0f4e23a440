// One libFuzzer entry point for every reply decoder and text parser: the first byte picks
// the target, the rest is its input. Built with -DVK_FUZZ=ON and clang; see README.
#include "pages/hart/HartCodec.h"
#include "pages/modbus/ModbusCodec.h"
#include "pages/monitor/MonitorCodec.h"
#include "pages/system/SystemCodec.h"
#include "sim/Simulator.h"
#include "tools/HexPairs.h"
#include "tools/Ieee754.h"
#include "ui/JpegDecoder.h"

#include <cstddef>
#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    if (size == 0) return 0;
    // The decoders see at most the 255 characters of a received text.
    const QByteArray input(reinterpret_cast<const char*>(data + 1), qsizetype(size - 1));
    const QByteArray text = input.left(255);
    switch (data[0] % 9) {
    case 0: SystemCodec::decodeReply(text); break;
    case 1: ModbusCodec::decodeReply(text, data[0] & 0x10 ? 0 : -1, (data[0] >> 5) % 5); break;
    case 2: HartCodec::decodeIdentity(text, data[0] >> 4); break;
    case 3: HartCodec::decodeVariables(text); break;
    case 4: MonitorCodec::decodeReply(text, 1 + (data[0] >> 4) % 6); break;
    case 5: ieee754Calculate(QString::fromLatin1(input)); break;
    case 6: parseHexPairs(QString::fromLatin1(input), 15); break;
    case 7: {
        static Simulator sim;
        sim.model.state.mode = data[0] >> 4 & 3;
        sim.answer(input, 1.0);
        break;
    }
    case 8: decodeJpeg(input); break;
    }
    return 0;
}
