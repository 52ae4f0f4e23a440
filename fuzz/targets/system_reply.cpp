// The system query's reply as received, and the round trip of the system settings: each
// set request built from drawn values is refused exactly when a value is out of its field,
// else stored by the stand-in, and the query reply decodes back to what was stored.
#include "fuzz/DecodedChecks.h"
#include "pages/system/SystemCodec.h"
#include "sim/ConverterModel.h"

namespace {

bool inside(int value, int low, int high) { return value >= low && value <= high; }

// A builder takes exactly the values its field carries, and the stand-in stores what it
// took. False when the value was refused.
bool stored(ConverterModel& model, const BuiltRequest& request, bool fits)
{
    FUZZ_CHECK(request.ok() == fits);
    if (fits) FUZZ_CHECK(model.handle(request.bytes).endsWith(":OK#"));
    return fits;
}

void roundTrip(fuzz::Values& v)
{
    using namespace SystemCodec;
    ConverterModel model;
    const ConverterState initial;
    // Drawn a little beyond each field's range, so that refusals are checked too.
    int baud1 = v.in(-1, 8), parity1 = v.in(-1, 3), baud2 = v.in(-1, 8), parity2 = v.in(-1, 3);
    int mode = v.in(-1, 5), returnA = v.in(-1, 6), returnB = v.in(-1, 6);
    int poll = v.in(-1, 1000), baseA = v.in(-1, 100000), baseB = v.in(-1, 100000);
    // The stand-in, like a MODBUS slave, takes addresses up to 247 only.
    int address = v.in(-1, 247);
    const int32_t serial = v.in(-1, 0x7FFFFFFF), inspector = v.in(-1, 99999);

    if (!stored(model, portRequest(1, baud1, parity1), inside(baud1, 0, 7) && inside(parity1, 0, 2)))
        baud1 = initial.baud1, parity1 = initial.parity1;
    if (!stored(model, portRequest(2, baud2, parity2), inside(baud2, 0, 7) && inside(parity2, 0, 2)))
        baud2 = initial.baud2, parity2 = initial.parity2;
    if (!stored(model, workingModeRequest(mode), inside(mode, 0, 4))) mode = initial.mode;
    if (!stored(model, slaveAddressRequest(address), inside(address, 0, 255))) address = initial.address;
    if (!stored(model, returnTimeRequest(1, returnA), inside(returnA, 0, 5))) returnA = initial.returnA;
    if (!stored(model, returnTimeRequest(2, returnB), inside(returnB, 0, 5))) returnB = initial.returnB;
    if (!stored(model, intervalRequest(poll), inside(poll, 0, 999))) poll = initial.pollInterval;
    if (!stored(model, baseAddressRequest(1, baseA), inside(baseA, 0, 99999))) baseA = initial.baseA;
    if (!stored(model, baseAddressRequest(2, baseB), inside(baseB, 0, 99999))) baseB = initial.baseB;
    if (stored(model, boardSerialRequest(serial, inspector), serial >= 0 && inspector >= 0))
        FUZZ_CHECK(model.state.boardSerial.toLongLong() == serial && model.state.inspector.toInt() == inspector);
    else
        FUZZ_CHECK(model.state.boardSerial == initial.boardSerial && model.state.inspector == initial.inspector);

    const Decoded d = decodeReply(model.handle(queryRequest()));
    FUZZ_CHECK(!d.error);
    using fuzz::hasItem, fuzz::hasText, fuzz::zeroPadded;
    FUZZ_CHECK(hasItem(d, "ComboBox2", baud1) && hasItem(d, "ComboBox4", parity1));
    FUZZ_CHECK(hasItem(d, "ComboBox8", baud2) && hasItem(d, "ComboBox9", parity2));
    FUZZ_CHECK(hasItem(d, "ComboBox7", mode) && hasItem(d, "ComboBox14", mode));
    FUZZ_CHECK(hasText(d, "Edit14", zeroPadded(address, 3)));
    FUZZ_CHECK(hasItem(d, "RS485ADY", returnA) && hasItem(d, "RS485BDY", returnB));
    FUZZ_CHECK(hasText(d, "Edit6", zeroPadded(poll, 3)));
    FUZZ_CHECK(hasText(d, "ABadr", zeroPadded(baseA, 5)) && hasText(d, "BBadr", zeroPadded(baseB, 5)));
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const QByteArray text = fuzz::bytesView(data, size);
    const Decoded decoded = SystemCodec::decodeReply(text);
    fuzz::checkPiecesOf(decoded, text);
    if (!text.contains("QX")) FUZZ_CHECK(decoded.updates.empty() && !decoded.error);

    fuzz::Values values(data, size);
    roundTrip(values);
    return 0;
}
