// An instrument's answer as received (command 0's identity and command 3's variables, the
// reply frame and its status bytes), and frames built by the frame builder: the stand-in's
// loop takes each (so its checksum holds), and its answers decode back to the addressed
// instrument.
#include "fuzz/DecodedChecks.h"
#include "pages/hart/HartCodec.h"
#include "pages/hart/HartCommands.h"
#include "pages/hart/HartReply.h"
#include "sim/HartLoop.h"

namespace {

void checkIdentity(const HartCodec::IdentityReply& r)
{
    // The four edits always, and the polling address list when an answer was found.
    FUZZ_CHECK(r.decoded.updates.size() == 4 || r.decoded.updates.size() == 5);
    if (r.identity) FUZZ_CHECK(r.decoded.updates.size() == 5);
}

void checkVariables(const Decoded& d)
{
    FUZZ_CHECK(d.updates.size() <= 12 && d.updates.size() % 3 == 0 && !d.error);
    for (const FieldUpdate& u : d.updates)
        if (u.kind == FieldUpdate::Kind::Text) FUZZ_CHECK(u.text.size() <= 9);
}

// A reply is whole exactly when nothing is missing; what is read of it stays inside it.
void checkFrame(const QByteArray& chunk)
{
    const auto frame = HartReply::read(chunk);
    FUZZ_CHECK(HartReply::missing(chunk).isEmpty() == (frame && frame->whole));

    // What is kept as a request's answer is a tail of the bytes; a whole frame read from it
    // comes from the instrument asked and answers the command asked.
    const int poll = int(chunk.size() % 16);
    const uint8_t command = chunk.isEmpty() ? 0 : uint8_t(chunk[0]);
    const QByteArray kept = HartReply::answerTo(chunk, HartCodec::shortFrame(5, HartCodec::kMasterBit, poll, command));
    FUZZ_CHECK(chunk.endsWith(kept));
    if (const auto own = HartReply::read(kept); own && own->whole)
        FUZZ_CHECK(!own->longAddress() && own->pollAddress() == poll && own->command == command);
    if (!frame) return;
    FUZZ_CHECK(frame->whole ? frame->body.size() == frame->byteCount : frame->body.size() <= frame->byteCount);
    if (frame->hasStatus()) FUZZ_CHECK(!frame->status().summary().isEmpty());
    if (const auto id = HartCommands::identity(*frame)) FUZZ_CHECK(id->idText().size() == 6);
    if (const auto tag = HartCommands::tag(*frame)) FUZZ_CHECK(tag->size() <= 8);
    if (const auto tag = HartCommands::longTag(*frame)) FUZZ_CHECK(tag->size() <= 32);
    if (const auto values = HartCommands::dynamicVariables(chunk)) {
        FUZZ_CHECK(values->variables.size() <= 4);
        if (values->status.communicationError()) FUZZ_CHECK(values->variables.empty());
    }
}

void roundTrip(fuzz::Values& v)
{
    HartLoop loop;
    const int preambles = v.in(1, 20), poll = v.in(0, 15);
    const QByteArray data = v.bytes(v.in(0, 24));
    const HartInstrument* addressed = nullptr;
    for (const HartInstrument& i : loop.instruments)
        if (i.pollAddress == poll) addressed = &i;

    // Any command with any data reaches the instrument: the frame's checksum holds. (On a
    // copy of the loop, as command 6 may move the instrument to another address.)
    const uint8_t command = v.byte();
    const QByteArray frame = HartCodec::shortFrame(preambles, HartCodec::kMasterBit, poll, command, data);
    HartLoop scratch = loop;
    FUZZ_CHECK(scratch.handle(frame, 0).isEmpty() == !addressed);
    if (!addressed) return;
    const HartInstrument expected = *addressed;

    const auto identity = HartCodec::decodeIdentity(
        loop.handle(HartCodec::shortFrame(preambles, HartCodec::kMasterBit, poll, 0), 0), poll);
    checkIdentity(identity);
    FUZZ_CHECK(identity.identity && identity.identity->manufacturer == expected.manufacturer &&
               identity.identity->deviceType == expected.deviceType && identity.identity->id == expected.id);

    const double seconds = v.in(0, 100000);
    const QByteArray answer =
        loop.handle(HartCodec::longFrame(preambles, HartCodec::kMasterBit, *identity.identity, 3), seconds);
    const Decoded variables = HartCodec::decodeVariables(answer);
    checkVariables(variables);
    FUZZ_CHECK(variables.updates.size() == 12);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    fuzz::Values values(data, size);
    const QByteArray chunk = fuzz::bytesView(data, size);
    checkIdentity(HartCodec::decodeIdentity(chunk, values.in(-1, 15)));
    checkVariables(HartCodec::decodeVariables(chunk));
    checkFrame(chunk);

    roundTrip(values);
    return 0;
}
