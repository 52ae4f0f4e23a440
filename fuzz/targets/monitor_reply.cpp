// A command slot query's reply as received, and the round trip of one slot: the set
// request built from drawn values is stored by the stand-in, and the slot's query reply
// decodes back to the same flag and command.
#include "fuzz/DecodedChecks.h"
#include "pages/monitor/MonitorCodec.h"
#include "sim/ConverterModel.h"
#include "tools/HexText.h"

namespace {

void roundTrip(fuzz::Values& v)
{
    ConverterModel model;
    const int slot = v.in(1, 6);
    const bool enabled = v.in(0, 1);
    // One byte more than a slot holds now and then: the builder refuses exactly that.
    const QByteArray command = v.bytes(v.in(0, MonitorCodec::kMaxBytes + 1));
    const BuiltRequest set = MonitorCodec::setRequest(slot, enabled, command);
    FUZZ_CHECK(set.ok() == (command.size() <= MonitorCodec::kMaxBytes));
    if (!set.ok()) return;
    FUZZ_CHECK(model.handle(set.bytes) == "QQS#WCAD:OK#");

    const Decoded d = MonitorCodec::decodeReply(model.handle(MonitorCodec::queryRequest(slot).bytes), slot);
    const MonitorCodec::Slot& s = MonitorCodec::kSlots[slot - 1];
    FUZZ_CHECK(!d.error && d.updates.size() == 2);
    FUZZ_CHECK(d.updates[0] == FieldUpdate::checked(s.check, enabled));
    FUZZ_CHECK(fuzz::hasText(d, s.edit, hexDisplay(command).trimmed().toLatin1()));
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    fuzz::Values values(data, size);
    const QByteArray text = fuzz::bytesView(data, size);
    const Decoded decoded = MonitorCodec::decodeReply(text, values.in(1, 6));
    fuzz::checkPiecesOf(decoded, text);
    // A check box, then the command text or the error that stopped it.
    FUZZ_CHECK(decoded.updates.size() <= 2);
    if (!decoded.updates.empty()) FUZZ_CHECK(decoded.updates.size() == 2 || decoded.error);

    roundTrip(values);
    return 0;
}
