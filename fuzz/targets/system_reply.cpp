// The system query's reply as received, and the round trip of the system settings: each
// set request built from drawn values is stored by the stand-in, and its query reply
// decodes back to the same values.
#include "fuzz/DecodedChecks.h"
#include "pages/system/SystemCodec.h"
#include "sim/ConverterModel.h"

namespace {

void roundTrip(fuzz::Values& v)
{
    ConverterModel model;
    const int baud1 = v.in(0, 7), parity1 = v.in(0, 2), baud2 = v.in(0, 7), parity2 = v.in(0, 2);
    const int mode = v.in(0, 4), address = v.in(0, 247), returnA = v.in(0, 5), returnB = v.in(0, 5);
    const int poll = v.in(0, 999), baseA = v.in(0, 99999), baseB = v.in(0, 99999);
    const int32_t serial = v.in(0, 0x7FFFFFFF), inspector = v.in(0, 99999);
    const QByteArray requests[] = {
        SystemCodec::portRequest("BA1", baud1, parity1),
        SystemCodec::portRequest("BA2", baud2, parity2),
        SystemCodec::choiceRequest("MD", mode),
        SystemCodec::numberRequest("ADR", address, 3),
        SystemCodec::choiceRequest("XY1", returnA),
        SystemCodec::choiceRequest("XY2", returnB),
        SystemCodec::numberRequest("JTM", poll, 3),
        SystemCodec::numberRequest("AADR", baseA, 5),
        SystemCodec::numberRequest("BADR", baseB, 5),
        SystemCodec::boardSerialRequest(serial, inspector),
    };
    for (const QByteArray& r : requests) FUZZ_CHECK(model.handle(r).endsWith(":OK#"));
    FUZZ_CHECK(model.state.boardSerial.toLongLong() == serial && model.state.inspector.toInt() == inspector);

    const Decoded d = SystemCodec::decodeReply(model.handle(SystemCodec::queryRequest()));
    FUZZ_CHECK(!d.error);
    using fuzz::hasItem, fuzz::hasText;
    FUZZ_CHECK(hasItem(d, "ComboBox2", baud1) && hasItem(d, "ComboBox4", parity1));
    FUZZ_CHECK(hasItem(d, "ComboBox8", baud2) && hasItem(d, "ComboBox9", parity2));
    FUZZ_CHECK(hasItem(d, "ComboBox7", mode) && hasItem(d, "ComboBox14", mode));
    FUZZ_CHECK(hasText(d, "Edit14", fuzz::zeroPadded(address, 3)));
    FUZZ_CHECK(hasItem(d, "RS485ADY", returnA) && hasItem(d, "RS485BDY", returnB));
    FUZZ_CHECK(hasText(d, "Edit6", fuzz::zeroPadded(poll, 3)));
    FUZZ_CHECK(hasText(d, "ABadr", fuzz::zeroPadded(baseA, 5)) && hasText(d, "BBadr", fuzz::zeroPadded(baseB, 5)));
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
