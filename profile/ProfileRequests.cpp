#include "profile/ProfileRequests.h"

#include "pages/modbus/ModbusCodec.h"
#include "pages/monitor/MonitorCodec.h"
#include "pages/system/SystemCodec.h"
#include "tools/HexPairs.h"

using ProfileSchema::Kind;
using ProfileSchema::Setting;

namespace ProfileRequests {

std::vector<std::vector<const Setting*>> writeGroups(const Profile& profile)
{
    std::vector<std::vector<const Setting*>> groups;
    for (const Setting& s : ProfileSchema::settings()) {
        if (s.setButton.isEmpty() || !profile.values.count(s.key)) continue;
        if (!groups.empty() && groups.back().front()->setButton == s.setButton &&
            groups.back().front()->device == s.device)
            groups.back().push_back(&s);
        else
            groups.push_back({&s});
    }
    return groups;
}

namespace {

// A group's values as the builders take them: list positions, numbers in the units of
// their digits, characters. A key the profile lacks is noted, and its value is one the
// builders refuse.
class Values {
public:
    explicit Values(const Profile& profile) : profile_(profile) {}

    int index(const QString& key)
    {
        const Setting* s = ProfileSchema::find(key);
        const QJsonValue* v = value(key);
        if (!s || !v) return -1;
        return s->kind == Kind::Flag ? int(v->toBool()) : int(s->choices.indexOf(*v));
    }
    int32_t number(const QString& key)
    {
        const Setting* s = ProfileSchema::find(key);
        const QJsonValue* v = value(key);
        return s && v ? int32_t(v->toInteger() / s->scale) : -1;
    }
    bool flag(const QString& key)
    {
        const QJsonValue* v = value(key);
        return v && v->toBool();
    }
    QByteArray text(const QString& key)
    {
        const QJsonValue* v = value(key);
        return v ? v->toString().toLatin1() : QByteArray();
    }
    // The refusal for a key the profile lacked, or for hex text that is not a command.
    QString problem() const { return problem_; }
    QByteArray hexBytes(const QString& key, int maxCount)
    {
        const BuiltRequest bytes = parseHexPairs(QString::fromLatin1(text(key)), maxCount);
        if (!bytes.ok() && problem_.isEmpty()) problem_ = QStringLiteral("%1: %2").arg(key, bytes.refusal);
        return bytes.bytes;
    }

private:
    const QJsonValue* value(const QString& key)
    {
        const auto found = profile_.values.find(key);
        if (found != profile_.values.end()) return &found->second;
        if (problem_.isEmpty()) problem_ = QStringLiteral("the profile has no value for %1").arg(key);
        return nullptr;
    }

    const Profile& profile_;
    QString problem_;
};

BuiltRequest build(const Setting& first, Values& v)
{
    const QString& button = first.setButton;
    const int n = first.device;
    const QString d = QStringLiteral("modbus.devices[%1].").arg(n);
    const QString c = QStringLiteral("modbus.coefficients.");

    if (button == u"Button24") return SystemCodec::workingModeRequest(v.index("system.working_mode"));
    if (button == u"Button29") return SystemCodec::slaveAddressRequest(v.number("system.slave_address"));
    if (button == u"Button15") return SystemCodec::returnTimeRequest(1, v.index("system.rs485a_return_time_ms"));
    if (button == u"Button33") return SystemCodec::returnTimeRequest(2, v.index("system.rs485b_return_time_ms"));
    if (button == u"Button27") return SystemCodec::intervalRequest(v.number("system.instrument_interval_ms"));
    if (button == u"Button28")
        return SystemCodec::baseAddressRequest(1, v.number("system.rs232_rs485a_base_address"));
    if (button == u"Button32") return SystemCodec::baseAddressRequest(2, v.number("system.rs485b_base_address"));
    if (button == u"Button9")
        return SystemCodec::portRequest(2, v.index("system.rs485b.baud"), v.index("system.rs485b.parity"));
    if (button == u"Button5")
        return SystemCodec::portRequest(1, v.index("system.rs232_rs485a.baud"), v.index("system.rs232_rs485a.parity"));
    if (button == u"Button2")
        return ModbusCodec::coefficientModeRequest(v.index(c + "variable_1_mode"), v.text(c + "variable_1"));
    if (button == u"Button19")
        return ModbusCodec::coefficientsRequest(v.text(c + "variable_2"), v.text(c + "variable_3"),
                                                v.text(c + "variable_4"));
    if (button == u"Button10")
        return ModbusCodec::slotSettingsRequest(n, {v.index(d + "enabled"), v.index(d + "device_mode"),
                                                    v.index(d + "meter_type"), v.index(d + "preamble_length"),
                                                    v.number(d + "buffer_clear_time_s")});
    if (button == u"Button21") {
        const char* names[5] = {"current", "variable_1", "variable_2", "variable_3", "variable_4"};
        std::array<int, 5> formats{};
        for (size_t f = 0; f < 5; ++f) formats[f] = v.index(d + "formats." + names[f]);
        return ModbusCodec::formatsRequest(n, formats);
    }
    if (button == u"Button12") {
        std::array<ModbusCodec::ParseRow, 4> rows{};
        for (int r = 0; r < 4; ++r) {
            const QString row = d + QStringLiteral("custom.parsing[%1].").arg(r);
            rows[size_t(r)] = {v.index(row + "command"), v.number(row + "start"), v.index(row + "length_bytes")};
        }
        return ModbusCodec::parsingRequest(n, v.index(d + "custom.address_bits"), rows);
    }
    for (int k = 0; k < 2; ++k) {
        if (button != (k == 0 ? u"Button17" : u"Button18")) continue;
        const QString command = d + QStringLiteral("custom.read_commands[%1].").arg(k);
        const QByteArray bytes = v.hexBytes(command + "bytes", ModbusCodec::kCommandBytes);
        return ModbusCodec::customCommandRequest(n, k + 1, v.index(command + "open"), bytes);
    }
    for (int m = 1; m <= 6; ++m) {
        if (button != QLatin1String(MonitorCodec::kSlots[m - 1].set)) continue;
        const QString slot = QStringLiteral("monitoring[%1].").arg(m - 1);
        const QByteArray bytes = v.hexBytes(slot + "command", MonitorCodec::kMaxBytes);
        return MonitorCodec::setRequest(m, v.flag(slot + "enabled"), bytes);
    }
    return BuiltRequest::refused(QStringLiteral("%1 has no request that writes it").arg(first.key));
}

} // namespace

BuiltRequest setRequest(const std::vector<const Setting*>& group, const Profile& profile)
{
    if (group.empty()) return BuiltRequest::refused(QStringLiteral("nothing to write"));
    Values values(profile);
    BuiltRequest request = build(*group.front(), values);
    // What the profile lacked is the better reason: the builder only saw a placeholder.
    if (!values.problem().isEmpty()) return BuiltRequest::refused(values.problem());
    return request;
}

} // namespace ProfileRequests
