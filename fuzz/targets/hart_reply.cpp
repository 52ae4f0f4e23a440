// An instrument's answer as received (command 0's identity and command 3's variables, the
// reply frame and its status bytes, the instrument reading commands' replies), and frames
// built by the frame builder: the stand-in's loop takes each (so its checksum holds), and
// its answers decode back to the addressed instrument.
#include "fuzz/DecodedChecks.h"
#include "pages/hart/HartCodec.h"
#include "pages/hart/HartCommands.h"
#include "pages/hart/HartReply.h"
#include "pages/hart/InstrumentReplies.h"
#include "pages/hart/InstrumentTables.h"
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

// A reply that cannot be read fills nothing and names nothing missing; one that can says
// nothing to refuse. Every decoder meets every frame, whatever its command.
void checkReading(const InstrumentReplies::Reading& r, const HartReply::Frame& frame, bool filledAny)
{
    if (frame.hasStatus() && frame.status().communicationError()) FUZZ_CHECK(!r.read());
    if (!frame.whole || !frame.checksumOk) FUZZ_CHECK(!r.read());
    if (!r.read()) FUZZ_CHECK(r.missing.isEmpty() && !filledAny);
}

void checkInstrumentReplies(const HartReply::Frame& f)
{
    using namespace InstrumentReplies;
    const int revision = f.body.isEmpty() ? 5 : 5 + uint8_t(f.body.back()) % 3;
    const int asked = 1 + f.byteCount % kVariablesPerRequest;

    const Identity id = readIdentity(f);
    checkReading(id.reading, f, id.hartRevision.has_value() || id.expansion.has_value());
    if (id.configChangeCounter) FUZZ_CHECK(*id.hartRevision >= 6);
    const LoopConfiguration loop = readLoopConfiguration(f);
    checkReading(loop.reading, f, loop.pollingAddress.has_value());
    if (loop.loopCurrentMode) FUZZ_CHECK(!InstrumentTables::loopCurrentMode(*loop.loopCurrentMode).isEmpty());
    for (const DynamicCodes& codes : {readClassifications(f), readAssignments(f)}) {
        checkReading(codes.reading, f, codes.codes[0].has_value());
        FUZZ_CHECK(codes.reading.missing.size() <= 4);
    }
    for (const Text& t : {readMessage(f), readLongTag(f)}) {
        checkReading(t.reading, f, t.text.has_value());
        if (t.text) FUZZ_CHECK(t.text->size() <= 32);
    }
    const TagDescriptorDate tdd = readTagDescriptorDate(f);
    checkReading(tdd.reading, f, tdd.tag.has_value());
    if (tdd.descriptor) FUZZ_CHECK(tdd.tag && tdd.descriptor->size() <= 16);
    const Transducer sensor = readTransducer(f);
    checkReading(sensor.reading, f, sensor.serial.has_value());
    if (sensor.unit) FUZZ_CHECK(!InstrumentTables::unitName(*sensor.unit).isEmpty());
    const Output pv = readOutput(f, revision);
    checkReading(pv.reading, f, pv.alarmSelection.has_value());
    if (pv.writeProtect)
        FUZZ_CHECK(!InstrumentTables::transferFunction(*pv.transferFunction).isEmpty() &&
                   !InstrumentTables::alarmSelection(*pv.alarmSelection).isEmpty() &&
                   !InstrumentTables::writeProtect(*pv.writeProtect).isEmpty());
    const FinalAssembly assembly = readFinalAssembly(f);
    checkReading(assembly.reading, f, assembly.number.has_value());
    if (assembly.number) FUZZ_CHECK(*assembly.number < (1u << 24));

    const Variables five = readVariables(f, asked);
    checkReading(five.reading, f, !five.variables.empty());
    FUZZ_CHECK(five.variables.size() + five.reading.missing.size() == (five.reading.read() ? size_t(asked) : 0u));
    const Variables nine = readVariablesWithStatus(f, asked, revision);
    checkReading(nine.reading, f, nine.extendedStatus.has_value());
    FUZZ_CHECK(nine.variables.size() <= size_t(asked));
    for (const Variable& v : nine.variables) {
        FUZZ_CHECK(v.status && v.classification && !InstrumentTables::variableStatus(*v.status).isEmpty());
        FUZZ_CHECK(!InstrumentTables::classification(*v.classification).isEmpty());
    }
    const AdditionalStatus more = readAdditionalStatus(f, revision);
    checkReading(more.reading, f, more.deviceSpecific.has_value());
    FUZZ_CHECK(more.hart5Bytes.size() <= 8 && more.moreDeviceSpecific.size() <= 11);
    if (more.standardized0) FUZZ_CHECK(InstrumentTables::standardizedStatus0(*more.standardized0).size() <= 8);
    if (more.extendedStatus) FUZZ_CHECK(InstrumentTables::extendedDeviceStatus(*more.extendedStatus).size() <= 8);

    std::vector<uint8_t> codes(f.body.begin(), f.body.end());
    size_t sent = 0;
    for (const QByteArray& request : variableRequests(codes)) {
        FUZZ_CHECK(!request.isEmpty() && request.size() <= kVariablesPerRequest);
        sent += request.size();
    }
    FUZZ_CHECK(sent == codes.size());
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
    checkInstrumentReplies(*frame);
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
