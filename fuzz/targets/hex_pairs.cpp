// Hex pair text as typed into a command edit, and the three requests it reaches; the other
// fields of those requests are drawn from the input's end, the text is what lies before.
// The parser, for both count limits: taken text is pairs and single blanks, each byte the
// pair at its place; refused text gets one of the three messages and no bytes; shown bytes
// parse back to themselves. The HART page's manual frame carries the typed bytes after the
// preamble and passes the loop's checksum. The monitoring slot's and the MODBUS page's
// custom command requests carry the bytes at their end, are refused exactly when a field is
// outside its list or the bytes outrun the 14 a command holds (and then build nothing), and
// the stand-in's query reply shows the typed text again.
#include "exchange/Exchange.h"
#include "fuzz/DecodedChecks.h"
#include "pages/hart/HartCodec.h"
#include "pages/modbus/ModbusCodec.h"
#include "pages/monitor/MonitorCodec.h"
#include "sim/ConverterModel.h"
#include "tools/HexPairs.h"
#include "tools/HexText.h"

namespace {

bool isRefusal(const QString& text, int maxCount)
{
    return text == QLatin1String("Data eeore!") || text == QLatin1String("NO SPACK") ||
           text == QStringLiteral("At most %1 pairs of hex digits, separated by single blanks (76 89 FD AD).").arg(maxCount);
}

void checkParser(const QString& text)
{
    for (const int maxCount : {14, 15}) {
        for (const bool emptyAllowed : {true, false}) {
            const BuiltRequest parsed = parseHexPairs(text, maxCount, emptyAllowed);
            if (!parsed.ok()) {
                FUZZ_CHECK(isRefusal(parsed.refusal, maxCount) && parsed.bytes.isEmpty());
                continue;
            }
            const QByteArray& bytes = parsed.bytes;
            FUZZ_CHECK(bytes.size() <= maxCount && (emptyAllowed || !bytes.isEmpty()));
            // What is typed is what is sent: nothing but the pairs and their blanks.
            const QString shown = hexDisplay(bytes);
            FUZZ_CHECK(text == shown || text == shown.chopped(bytes.isEmpty() ? 0 : 1));
            const BuiltRequest again = parseHexPairs(shown.trimmed(), maxCount, emptyAllowed);
            FUZZ_CHECK(again.ok() && again.bytes == bytes);
        }
    }
}

// The fields the three requests take besides the bytes; some lie outside their lists.
struct Fields {
    int preambles, monitorSlot, enabled, modbusSlot, command, open;
};

void checkHartFrame(const QString& text, int preambles)
{
    const BuiltRequest typed = parseHexPairs(text, 15, false);
    if (!typed.ok()) return; // the page sends nothing
    const QByteArray frame = HartCodec::typedFrame(preambles, typed.bytes);
    const qsizetype start = preambles + 1;
    FUZZ_CHECK(frame.size() == start + typed.bytes.size() + 1);
    FUZZ_CHECK(frame.first(start) == QByteArray(start, char(0xFF)));
    FUZZ_CHECK(frame.sliced(start, typed.bytes.size()) == typed.bytes);
    uint8_t sum = 0;
    for (qsizetype i = start; i < frame.size(); ++i) sum ^= uint8_t(frame[i]);
    FUZZ_CHECK(sum == 0);
}

// A built set request: 16 characters of fields, then the bytes.
void checkCarried(const BuiltRequest& request, const QByteArray& bytes, bool fieldsFit, int maxBytes)
{
    FUZZ_CHECK(request.ok() == (fieldsFit && bytes.size() <= maxBytes));
    if (!request.ok()) {
        FUZZ_CHECK(request.bytes.isEmpty());
        return;
    }
    FUZZ_CHECK(request.bytes.size() == 16 + bytes.size() && request.bytes.endsWith(',' + bytes));
}

void checkMonitorSet(const QByteArray& bytes, const QString& typed, const Fields& f)
{
    const int slot = f.monitorSlot;
    const BuiltRequest set = MonitorCodec::setRequest(slot, f.enabled, bytes);
    checkCarried(set, bytes, slot >= 1 && slot <= 6, MonitorCodec::kMaxBytes);
    if (!set.ok()) return;
    ConverterModel model;
    FUZZ_CHECK(model.handle(set.bytes) == "QQS#WCAD:OK#");
    const Decoded d = MonitorCodec::decodeReply(model.handle(MonitorCodec::queryRequest(slot).bytes), slot);
    const MonitorCodec::Slot& s = MonitorCodec::kSlots[slot - 1];
    FUZZ_CHECK(!d.error && d.updates.size() == 2 && d.updates[0] == FieldUpdate::checked(s.check, f.enabled));
    FUZZ_CHECK(fuzz::hasText(d, s.edit, typed.toLatin1()));
}

void checkCustomCommand(const QByteArray& bytes, const QString& typed, const Fields& f)
{
    const int slot = f.modbusSlot;
    const BuiltRequest set = ModbusCodec::customCommandRequest(slot, f.command, f.open, bytes);
    checkCarried(set, bytes, slot >= 0 && slot < ModbusCodec::kSlots && (f.command == 1 || f.command == 2) &&
                                 (f.open == 0 || f.open == 1),
                 ModbusCodec::kCommandBytes);
    if (!set.ok()) return;
    ConverterModel model;
    // The slot's reply carries its commands for the custom meter, item 0.
    const BuiltRequest custom = ModbusCodec::slotSettingsRequest(slot, ModbusCodec::SlotSettings{});
    FUZZ_CHECK(custom.ok() && model.handle(custom.bytes).endsWith(":OK#"));
    FUZZ_CHECK(model.handle(set.bytes).endsWith(":OK#"));
    const Decoded d = ModbusCodec::decodeReply(model.handle(ModbusCodec::queryRequest(slot).bytes), -1, slot);
    FUZZ_CHECK(!d.error);
    FUZZ_CHECK(fuzz::hasItem(d, f.command == 1 ? "ComboBox28" : "ComboBox29", f.open));
    FUZZ_CHECK(fuzz::hasText(d, f.command == 1 ? "Edit4" : "Edit5", typed.toLatin1()));
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    fuzz::Values values(data, size);
    const Fields f{values.in(-1, Exchange::kTxSize - 1), values.in(0, 7), values.in(0, 1),
                   values.in(-1, ModbusCodec::kSlots), values.in(0, 3), values.in(-1, 2)};
    const fuzz::TextView view(data, values.left());
    const QString text = view.text();
    checkParser(text);
    checkHartFrame(text, f.preambles);

    // The widest limit, so that the builders see one byte too many now and then.
    const BuiltRequest wide = parseHexPairs(text, 15);
    if (!wide.ok()) return 0;
    // The converter reports a command without the trailing blank.
    const QString typed = text.endsWith(u' ') ? text.chopped(1) : text;
    checkMonitorSet(wide.bytes, typed, f);
    checkCustomCommand(wide.bytes, typed, f);
    return 0;
}
