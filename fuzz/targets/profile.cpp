// A profile file as a user hands it over. The reader returns a profile exactly when it
// lists no problems, each a sentence; a read profile holds every setting it must and no
// other, each with a value the table accepts; it survives the file, and writing it again
// gives the same bytes. The values the pages send as typed text (coefficients and hex
// commands) go through the pages' builders to the stand-in and come back unchanged.
#include "fuzz/DecodedChecks.h"
#include "pages/modbus/ModbusCodec.h"
#include "pages/monitor/MonitorCodec.h"
#include "profile/Profile.h"
#include "profile/ProfileSchema.h"
#include "sim/ConverterModel.h"
#include "tools/HexPairs.h"

namespace {

using ProfileSchema::Kind;
using ProfileSchema::Setting;

void checkSettings(const Profile& p)
{
    for (const auto& [key, value] : p.values) {
        const Setting* s = ProfileSchema::find(key);
        FUZZ_CHECK(s && s->accepts(value));
    }
    for (const Setting& s : ProfileSchema::settings()) {
        const bool held = p.values.count(s.key);
        if (!s.customOnly) {
            FUZZ_CHECK(held || s.optional);
            continue;
        }
        const auto meter = p.values.find(ProfileSchema::meterTypeKey(s.device));
        FUZZ_CHECK(meter != p.values.end());
        FUZZ_CHECK(held == (meter->second == ProfileSchema::kCustomMeter));
    }
}

// What the pages make of a value: a list's item (a flag is a two-item list), an edit's
// number, an edit's text.
int itemOf(const Profile& p, const QString& key)
{
    const Setting* s = ProfileSchema::find(key);
    const QJsonValue& v = p.values.at(key);
    return s->kind == Kind::Flag ? int(v.toBool()) : int(s->choices.indexOf(v));
}
QString textOf(const Profile& p, const QString& key) { return p.values.at(key).toString(); }

// A coefficient goes out as its first five characters, one byte each.
QByteArray fiveOf(const Profile& p, const QString& key) { return textOf(p, key).left(5).toLatin1(); }

// The edit's text as the query's reply fills it: one character per received byte. Compared
// as text, not with fuzz::hasText's bytes: a character outside Latin-1 becomes '?' on its
// way to bytes and would match the '?' the converter echoes back.
bool shows(const Decoded& d, const char* control, const QString& text)
{
    const FieldUpdate* u = fuzz::updateOf(d, control);
    return u && u->kind == FieldUpdate::Kind::Text && QString::fromLatin1(u->text) == text;
}

void stored(ConverterModel& model, const BuiltRequest& request)
{
    FUZZ_CHECK(request.ok() && model.handle(request.bytes).endsWith(":OK#"));
}

void checkCoefficients(const Profile& p, ConverterModel& model)
{
    const QString c = QStringLiteral("modbus.coefficients.");
    stored(model, ModbusCodec::coefficientModeRequest(itemOf(p, c + "variable_1_mode"), fiveOf(p, c + "variable_1")));
    stored(model, BuiltRequest(ModbusCodec::coefficientsRequest(fiveOf(p, c + "variable_2"), fiveOf(p, c + "variable_3"),
                                                                fiveOf(p, c + "variable_4"))));
    const Decoded d = ModbusCodec::decodeReply(model.handle(ModbusCodec::queryRequest(0).bytes), -1, 0);
    FUZZ_CHECK(!d.error && fuzz::hasItem(d, "ComboBox18", itemOf(p, c + "variable_1_mode")));
    FUZZ_CHECK(shows(d, "Beilv", textOf(p, c + "variable_1")));
    for (int v = 2; v <= 4; ++v)
        FUZZ_CHECK(shows(d, qPrintable(QStringLiteral("xishu%1").arg(v)), textOf(p, c + QStringLiteral("variable_%1").arg(v))));
}

// A custom slot's two read commands, parsed as the MODBUS page parses its edits.
void checkReadCommands(const Profile& p, ConverterModel& model, int slot)
{
    const QString d = QStringLiteral("modbus.devices[%1].").arg(slot);
    ModbusCodec::SlotSettings settings{itemOf(p, d + "enabled"), itemOf(p, d + "device_mode"), itemOf(p, d + "meter_type"),
                                       itemOf(p, d + "preamble_length"), int32_t(p.values.at(d + "buffer_clear_time_s").toInteger())};
    stored(model, ModbusCodec::slotSettingsRequest(slot, settings));
    const char* controls[2][2] = {{"ComboBox28", "Edit4"}, {"ComboBox29", "Edit5"}};
    for (int k = 0; k < 2; ++k) {
        const QString command = d + QStringLiteral("custom.read_commands[%1].").arg(k);
        const BuiltRequest bytes = parseHexPairs(textOf(p, command + "bytes"), ModbusCodec::kCommandBytes);
        FUZZ_CHECK(bytes.ok());
        stored(model, ModbusCodec::customCommandRequest(slot, k + 1, itemOf(p, command + "open"), bytes.bytes));
    }
    const Decoded decoded = ModbusCodec::decodeReply(model.handle(ModbusCodec::queryRequest(slot).bytes), -1, slot);
    FUZZ_CHECK(!decoded.error);
    for (int k = 0; k < 2; ++k) {
        const QString command = d + QStringLiteral("custom.read_commands[%1].").arg(k);
        FUZZ_CHECK(fuzz::hasItem(decoded, controls[k][0], itemOf(p, command + "open")));
        FUZZ_CHECK(shows(decoded, controls[k][1], textOf(p, command + "bytes")));
    }
}

void checkMonitoring(const Profile& p, ConverterModel& model)
{
    for (int m = 1; m <= int(std::size(MonitorCodec::kSlots)); ++m) {
        const QString key = QStringLiteral("monitoring[%1].").arg(m - 1);
        const BuiltRequest bytes = parseHexPairs(textOf(p, key + "command"), MonitorCodec::kMaxBytes);
        FUZZ_CHECK(bytes.ok());
        const bool enabled = p.values.at(key + "enabled").toBool();
        stored(model, MonitorCodec::setRequest(m, enabled, bytes.bytes));
        const Decoded d = MonitorCodec::decodeReply(model.handle(MonitorCodec::queryRequest(m).bytes), m);
        const MonitorCodec::Slot& slot = MonitorCodec::kSlots[m - 1];
        FUZZ_CHECK(!d.error && !d.updates.empty() && d.updates[0] == FieldUpdate::checked(slot.check, enabled));
        FUZZ_CHECK(shows(d, slot.edit, textOf(p, key + "command")));
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const QByteArray file = fuzz::bytesView(data, size, size);
    QStringList problems;
    const std::optional<Profile> profile = Profile::fromJson(file, problems);
    FUZZ_CHECK(profile.has_value() == problems.isEmpty());
    for (const QString& problem : problems) FUZZ_CHECK(!problem.trimmed().isEmpty());
    if (!profile) return 0;

    checkSettings(*profile);
    const QByteArray written = profile->toJson();
    const std::optional<Profile> again = Profile::fromJson(written, problems);
    FUZZ_CHECK(again && problems.isEmpty() && *again == *profile);
    FUZZ_CHECK(again->toJson() == written);

    ConverterModel model;
    checkCoefficients(*profile, model);
    for (int slot = 0; slot < ModbusCodec::kSlots; ++slot)
        if (profile->values.count(QStringLiteral("modbus.devices[%1].custom.address_bits").arg(slot)))
            checkReadCommands(*profile, model, slot);
    checkMonitoring(*profile, model);
    return 0;
}
