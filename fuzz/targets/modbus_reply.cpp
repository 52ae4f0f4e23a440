// The MODBUS slot query's reply as received, and the round trip of one device slot: the
// set requests built from drawn values are stored by the stand-in, and the slot's query
// reply decodes back to the same values.
#include "fuzz/DecodedChecks.h"
#include "pages/modbus/ModbusCodec.h"
#include "sim/ConverterModel.h"
#include "tools/HexText.h"

namespace {

// A coefficient as typed: five characters of digits and a point.
QByteArray coefficient(fuzz::Values& v)
{
    QByteArray five;
    for (int i = 0; i < 5; ++i) five += "0123456789."[v.in(0, 10)];
    return five;
}

void roundTrip(fuzz::Values& v)
{
    ConverterModel model;
    const int slot = v.in(0, 4), mode = v.in(0, 2);
    ModbusCodec::SlotSettings s;
    s.enabled = v.in(0, 1);
    s.deviceMode = v.in(0, 1);
    s.meterType = v.in(0, 3) == 0 ? 0 : v.in(0, ModbusCodec::kMeterTypes - 1); // custom often
    s.preamble = v.in(0, 5);
    s.clearTime = v.in(0, 999);
    std::array<int, 5> formats{v.in(0, 1), v.in(0, 3), v.in(0, 4), v.in(0, 4), v.in(0, 4)};
    const int addressBits = v.in(0, 6);
    std::array<ModbusCodec::ParseRow, 4> rows;
    for (auto& r : rows) r = {v.in(0, 2), v.in(0, 99), v.in(0, 1)};
    const int coefficientMode = v.in(0, 3);
    const QByteArray w = coefficient(v), u2 = coefficient(v), u3 = coefficient(v), u4 = coefficient(v);
    int open[2];
    QByteArray custom[2];
    for (int c = 0; c < 2; ++c) {
        open[c] = v.in(0, 1);
        custom[c] = v.bytes(v.in(0, ModbusCodec::kCommandBytes));
    }

    const BuiltRequest requests[] = {
        ModbusCodec::moduleModeRequest(mode),
        ModbusCodec::slotSettingsRequest(slot, s),
        ModbusCodec::formatsRequest(slot, formats),
        ModbusCodec::parsingRequest(slot, addressBits, rows),
        ModbusCodec::coefficientModeRequest(coefficientMode, w),
        ModbusCodec::coefficientsRequest(u2, u3, u4),
        ModbusCodec::customCommandRequest(slot, 1, open[0], custom[0]),
        ModbusCodec::customCommandRequest(slot, 2, open[1], custom[1]),
    };
    // Every value lies in its field, so every builder takes it and the stand-in stores it.
    for (const BuiltRequest& r : requests) FUZZ_CHECK(r.ok() && model.handle(r.bytes).endsWith(":OK#"));

    using fuzz::hasItem, fuzz::hasText;
    const BuiltRequest query = ModbusCodec::queryRequest(slot);
    FUZZ_CHECK(query.ok());
    const Decoded d = ModbusCodec::decodeReply(model.handle(query.bytes), -1, slot);
    FUZZ_CHECK(!d.error);
    FUZZ_CHECK(hasItem(d, "ComboBox18", coefficientMode) && hasText(d, "Beilv", w));
    FUZZ_CHECK(hasText(d, "xishu2", u2) && hasText(d, "xishu3", u3) && hasText(d, "xishu4", u4));
    FUZZ_CHECK(hasItem(d, "ComboBox6", s.enabled) && hasItem(d, "ComboBox16", s.deviceMode));
    FUZZ_CHECK(hasItem(d, "ComboBox17", s.meterType) && hasItem(d, "ComboBox34", s.preamble));
    FUZZ_CHECK(hasText(d, "Edit1", fuzz::zeroPadded(s.clearTime, 3)));
    const char* formatBoxes[] = {"FAMOUT1", "FAMOUT3", "FAMOUT5", "FAMOUT7", "FAMOUT9"};
    for (size_t i = 0; i < 5; ++i) FUZZ_CHECK(hasItem(d, formatBoxes[i], formats[i]));
    const bool isCustom = s.meterType == 0;
    FUZZ_CHECK(fuzz::updateOf(d, "GroupBox13")->index == int(isCustom));
    if (!isCustom) return;
    FUZZ_CHECK(hasItem(d, "ComboBox15", addressBits));
    const char* rowBoxes[4][3] = {{"RADCOM1", "READADR1", "READLG1"}, {"RADCOM3", "READADR3", "READLG3"},
                                  {"RADCOM5", "READADR5", "READLG5"}, {"RADCOM7", "READADR7", "READLG7"}};
    for (size_t i = 0; i < 4; ++i) {
        FUZZ_CHECK(hasItem(d, rowBoxes[i][0], rows[i].command));
        FUZZ_CHECK(hasText(d, rowBoxes[i][1], fuzz::zeroPadded(rows[i].start, 2)));
        FUZZ_CHECK(hasItem(d, rowBoxes[i][2], rows[i].length));
    }
    FUZZ_CHECK(hasItem(d, "ComboBox14", mode) && hasItem(d, "ComboBox7", mode));
    FUZZ_CHECK(hasItem(d, "ComboBox28", open[0]) && hasItem(d, "ComboBox29", open[1]));
    FUZZ_CHECK(hasText(d, "Edit4", hexDisplay(custom[0]).trimmed().toLatin1()));
    FUZZ_CHECK(hasText(d, "Edit5", hexDisplay(custom[1]).trimmed().toLatin1()));
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    fuzz::Values values(data, size);
    const QByteArray text = fuzz::bytesView(data, size);
    const int slot = values.in(0, ModbusCodec::kSlots - 1);
    // The list's own meter type decides only when the reply carries none.
    const Decoded asCustom = ModbusCodec::decodeReply(text, 0, slot);
    const Decoded asOther = ModbusCodec::decodeReply(text, 1, slot);
    fuzz::checkPiecesOf(asCustom, text);
    fuzz::checkPiecesOf(asOther, text);
    if (fuzz::updateOf(asCustom, "ComboBox17")) {
        FUZZ_CHECK(asCustom.updates == asOther.updates && asCustom.error == asOther.error);
    }

    roundTrip(values);
    return 0;
}
