#include "instrument/InstrumentSnapshot.h"

#include "files/JsonText.h"
#include "instrument/SnapshotFile.h"
#include "pages/hart/HartStatus.h"
#include "pages/hart/InstrumentTables.h"

using JsonText::Value;
using namespace InstrumentReplies;

namespace {

const char* const kRoles[] = {"PV", "SV", "TV", "QV"};

template <typename T, typename F> Value mapped(const std::optional<T>& maybe, F f)
{
    return maybe ? Value(f(*maybe)) : Value();
}

Value text(const std::optional<QString>& s) { return Value::of(s); }

Value identity(const Identity& id)
{
    return Value::Members{
        {"manufacturer", Value::of(id.manufacturer)},
        {"device_type", Value::of(id.deviceType)},
        {"device_id", mapped(id.deviceId, [](const std::array<uint8_t, 3>& b) {
             return QString::fromLatin1(QByteArray(reinterpret_cast<const char*>(b.data()), 3).toHex().toUpper());
         })},
        {"hart_revision", Value::of(id.hartRevision)},
        {"device_revision", Value::of(id.deviceRevision)},
        {"software_revision", Value::of(id.softwareRevision)},
        {"hardware_revision", Value::of(id.hardwareRevision)},
        {"config_change_counter", Value::of(id.configChangeCounter)},
        {"request_preambles", Value::of(id.requestPreambles)},
        {"highest_device_variable", Value::of(id.highestDeviceVariable)},
    };
}

Value date(const TagDescriptorDate& tag)
{
    return mapped(tag.date, [](const TagDescriptorDate::Date& d) {
        return QString::asprintf("%04d-%02d-%02d", d.year, d.month, d.day);
    });
}

Value pv(const Output& out)
{
    return Value::Members{
        {"unit_code", Value::of(out.rangeUnit)},
        {"unit", mapped(out.rangeUnit, InstrumentTables::unitName)},
        {"upper_range", Value::of(out.upperRange)},
        {"lower_range", Value::of(out.lowerRange)},
        {"damping_s", Value::of(out.damping)},
        {"transfer_function_code", Value::of(out.transferFunction)},
        {"transfer_function", mapped(out.transferFunction, InstrumentTables::transferFunction)},
        {"alarm_code", Value::of(out.alarmSelection)},
        {"alarm", mapped(out.alarmSelection, InstrumentTables::alarmSelection)},
        // 250: the instrument has no write protection to report.
        {"write_protect", out.writeProtect && *out.writeProtect <= 1 ? Value(*out.writeProtect == 1) : Value()},
        {"write_protect_code", Value::of(out.writeProtect)},
    };
}

Value sensor(const Transducer& t)
{
    return Value::Members{
        {"serial", Value::of(t.serial)},
        {"unit_code", Value::of(t.unit)},
        {"unit", mapped(t.unit, InstrumentTables::unitName)},
        {"upper_limit", Value::of(t.upperLimit)},
        {"lower_limit", Value::of(t.lowerLimit)},
        {"min_span", Value::of(t.minimumSpan)},
    };
}

// PV to QV, each by its code in `codes`.
Value byRole(const DynamicCodes& codes)
{
    Value::Members out;
    for (size_t i = 0; i < 4; ++i) out.emplace_back(QString::fromLatin1(kRoles[i]).toLower(), Value::of(codes.codes[i]));
    return out;
}

Value variables(const InstrumentSnapshot& s)
{
    Value::List out;
    for (const Variable& v : s.variables.variables) {
        Value role; // the first of PV to QV behind which the variable stands
        for (size_t i = 4; i-- > 0;)
            if (s.assignments.codes[i] == v.code) role = kRoles[i];
        out.push_back(Value::Members{
            {"role", role},
            {"code", int(v.code)},
            {"class_code", Value::of(v.classification)},
            {"unit_code", int(v.unit)},
            {"unit", InstrumentTables::unitName(v.unit)},
            {"value", v.value},
            {"status", Value::of(v.status)},
            {"status_words", mapped(v.status, InstrumentTables::variableStatus)},
        });
    }
    return out;
}

Value diagnostics(const InstrumentSnapshot& s)
{
    const AdditionalStatus& a = s.additionalStatus;
    // Command 48 says it last; command 9 and command 0 say it too.
    std::optional<uint8_t> extended = a.extendedStatus;
    if (!extended) extended = s.variables.extendedStatus;
    if (!extended) extended = s.identity.extendedStatus;
    Value::List words;
    if (s.deviceStatus)
        for (const QString& w : HartStatus::deviceStatus(*s.deviceStatus)) words.push_back(w);
    if (extended)
        for (const QString& w : InstrumentTables::extendedDeviceStatus(*extended)) words.push_back(w);
    if (a.standardized0)
        for (const QString& w : InstrumentTables::standardizedStatus0(*a.standardized0)) words.push_back(w);
    auto hex = [](const std::optional<QByteArray>& b) { return mapped(b, InstrumentTables::hexBytes); };
    auto hexIfAny = [](const QByteArray& b) { return b.isEmpty() ? Value() : Value(InstrumentTables::hexBytes(b)); };
    return Value::Members{
        {"device_status", Value::of(s.deviceStatus)},
        {"extended_status", Value::of(extended)},
        {"operating_mode", Value::of(a.operatingMode)},
        {"standardized_status_0", Value::of(a.standardized0)},
        {"standardized_status_1", Value::of(a.standardized1)},
        {"standardized_status_2", Value::of(a.standardized2)},
        {"standardized_status_3", Value::of(a.standardized3)},
        {"analog_channel_saturated", Value::of(a.analogSaturated)},
        {"analog_channel_fixed", Value::of(a.analogFixed)},
        {"device_specific", hex(a.deviceSpecific)},
        {"device_specific_hart5", hexIfAny(a.hart5Bytes)},
        {"device_specific_more", hexIfAny(a.moreDeviceSpecific)},
        {"words", std::move(words)},
    };
}

} // namespace

QByteArray InstrumentSnapshot::toJson() const
{
    Value::List notesList;
    for (const QString& n : notes) notesList.push_back(n);
    const Value file = Value::Members{
        {"format", SnapshotFile::kFormatName},
        {"version", SnapshotFile::kVersion},
        {"read_at", readAt.toUTC().toString(Qt::ISODate)},
        {"polling_address", pollingAddress},
        {"identity", ::identity(identity)},
        {"tag", text(tag.tag)},
        {"descriptor", text(tag.descriptor)},
        {"date", date(tag)},
        {"message", text(message.text)},
        {"long_tag", text(longTag.text)},
        {"final_assembly_number", Value::of(finalAssembly.number)},
        {"loop_current_mode", mapped(loop.loopCurrentMode, InstrumentTables::loopCurrentMode)},
        {"pv", pv(output)},
        {"sensor", ::sensor(sensor)},
        {"assignments", byRole(assignments)},
        {"classifications", byRole(classifications)},
        {"variables", ::variables(*this)},
        {"diagnostics", ::diagnostics(*this)},
        {"notes", std::move(notesList)},
    };
    return file.text();
}

QJsonObject InstrumentSnapshot::document() const
{
    // What toJson() writes always reads back; the tests hold it to that.
    QStringList problems;
    return SnapshotFile::fromJson(toJson(), problems).value_or(QJsonObject());
}
