// A request as the stand-in receives it, in the HART working mode and in a MODBUS one, on
// a stand-in built afresh for each input. Configuration replies are framed texts; a
// refused setting changes nothing; HART answers carry a good checksum and MODBUS answers
// a good CRC; and whatever was stored, the tool's decoders read the query replies.
// Check bytes would stop most mutations at the frame check, so every HART or MODBUS input
// also goes in with its check byte or CRC appended, made right.
#include "fuzz/DecodedChecks.h"
#include "pages/hart/HartCodec.h"
#include "pages/modbus/ModbusCodec.h"
#include "pages/monitor/MonitorCodec.h"
#include "pages/system/SystemCodec.h"
#include "sim/Simulator.h"
#include "tools/Crc16.h"
#include "tools/ModbusTest.h"

namespace {

// Everything the stand-in reports about its settings.
QByteArray queried(ConverterModel& model)
{
    QByteArray all = model.handle(SystemCodec::queryRequest());
    for (int slot = 0; slot < 5; ++slot) all += model.handle(ModbusCodec::queryRequest(slot).bytes);
    for (int slot = 1; slot <= 6; ++slot) all += model.handle(MonitorCodec::queryRequest(slot).bytes);
    return all;
}

void checkConfigReply(const QByteArray& reply, const QByteArray& before, ConverterModel& model)
{
    FUZZ_CHECK(ConverterModel::isConfigRequest(reply) && reply.endsWith('#'));
    if (reply.contains("#ERR:")) FUZZ_CHECK(queried(model) == before);

    const Decoded system = SystemCodec::decodeReply(model.handle(SystemCodec::queryRequest()));
    FUZZ_CHECK(!system.error);
    for (int slot = 1; slot <= 6; ++slot)
        FUZZ_CHECK(!MonitorCodec::decodeReply(model.handle(MonitorCodec::queryRequest(slot).bytes), slot).error);
    for (int slot = 0; slot < 5; ++slot) {
        const QByteArray text = model.handle(ModbusCodec::queryRequest(slot).bytes);
        fuzz::checkPiecesOf(ModbusCodec::decodeReply(text, 0, slot), text);
    }
}

void checkHartAnswer(const QByteArray& answer)
{
    if (answer.isEmpty()) return;
    uint8_t sum = 0;
    for (qsizetype i = 5; i < answer.size(); ++i) sum ^= uint8_t(answer[i]);
    FUZZ_CHECK(answer.startsWith("\xFF\xFF\xFF\xFF\xFF") && sum == 0);
}

void checkModbusAnswer(const QByteArray& answer, int address)
{
    if (answer.isEmpty()) return;
    FUZZ_CHECK(answer.size() >= 5 && uint8_t(answer[0]) == address);
    const Crc16Bytes crc = crc16Modbus(reinterpret_cast<const uint8_t*>(answer.constData()), size_t(answer.size() - 2));
    FUZZ_CHECK(uint8_t(answer[answer.size() - 2]) == crc.low && uint8_t(answer.back()) == crc.high);
}

// The frame as the HART page's manual entry sends it: the input's leading FF bytes kept as
// the preamble, the rest closed with its checksum.
QByteArray withHartChecksum(const QByteArray& frame)
{
    qsizetype p = 0;
    while (p < frame.size() && uint8_t(frame[p]) == 0xFF) ++p;
    return HartCodec::typedFrame(int(p) - 1, frame.sliced(p)); // it writes preambles + 1 FF bytes
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const QByteArray request = fuzz::bytesView(data, size, 4096);
    // Configuration requests are answered alike in every working mode.
    if (ConverterModel::isConfigRequest(request)) {
        Simulator sim;
        const QByteArray before = queried(sim.model);
        checkConfigReply(sim.answer(request, 1.0), before, sim.model);
        return 0;
    }
    for (const int mode : {0, 1}) {
        const QByteArray checked = mode == 0 ? withHartChecksum(request) : withModbusCrc(request);
        for (const QByteArray& frame : {request, checked}) {
            Simulator sim;
            sim.model.state.mode = mode;
            const QByteArray answer = sim.answer(frame, 1.0);
            if (mode == 0) checkHartAnswer(answer);
            else checkModbusAnswer(answer, sim.model.state.address);
        }
    }
    return 0;
}
