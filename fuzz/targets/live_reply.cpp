// A live source's reply as received, MODBUS or HART: a frame is whole exactly when its
// bytes are all there, a whole frame reads back what its bytes say, and the sources keep
// one cell per column whatever they were sent, with values only from sound frames.
#include "fuzz/FuzzInput.h"
#include "live/HartSource.h"
#include "live/ModbusSource.h"
#include "pages/hart/HartReply.h"
#include "tools/ModbusReply.h"

#include <cmath>

namespace {

SessionOutcome received(const QByteArray& reply)
{
    SessionOutcome o;
    o.kind = SessionOutcome::Kind::Decoded;
    o.reply = reply;
    return o;
}

void checkModbus(const QByteArray& reply, uint8_t slave)
{
    const bool whole = ModbusReply::missing(reply, slave).isEmpty();
    const auto answer = ModbusReply::read(reply, slave, 10);
    if (!whole) FUZZ_CHECK(answer.kind == ModbusReply::Answer::Kind::Garbled);
    if (answer.kind == ModbusReply::Answer::Kind::Registers) FUZZ_CHECK(answer.registers.size() == 10);

    ModbusSource source(slave, 0, {1, 3, 4, 2, 4});
    source.begin();
    FUZZ_CHECK(source.next().has_value());
    const LiveSource::Result result = source.take(received(reply));
    FUZZ_CHECK((result == LiveSource::Result::Answer) == (answer.kind == ModbusReply::Answer::Kind::Registers));
    const auto cells = source.cells();
    FUZZ_CHECK(cells.size() == 5);
    for (const LiveCell& c : cells) {
        FUZZ_CHECK(!c.number || std::isfinite(*c.number));
        if (result != LiveSource::Result::Answer) FUZZ_CHECK(c.empty());
    }
}

void checkHart(const QByteArray& reply)
{
    const bool whole = HartReply::missing(reply).isEmpty();
    const auto frame = HartReply::read(reply);
    FUZZ_CHECK(whole == (frame && frame->whole));
    if (frame) FUZZ_CHECK(frame->address.size() == (frame->longAddress() ? 5 : 1));

    // The reply taken first as command 0's, then as command 3's.
    HartSource source(0);
    source.begin();
    FUZZ_CHECK(source.next().has_value());
    if (source.take(received(reply)) == LiveSource::Result::Answer) {
        FUZZ_CHECK(whole && frame->checksumOk && frame->command == 0);
        FUZZ_CHECK(source.next().has_value());
        const LiveSource::Result read = source.take(received(reply));
        FUZZ_CHECK(read == LiveSource::Result::Garbled); // command 0's frame is no answer to 3
    }
    FUZZ_CHECK(source.cells().size() == size_t(HartSource::kColumns));
    FUZZ_CHECK(source.columns().size() == size_t(HartSource::kColumns));
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const QByteArray reply = fuzz::bytesView(data, size, 512);
    checkModbus(reply, size ? data[0] : 1);
    checkModbus(reply, 1);
    checkHart(reply);
    return 0;
}
