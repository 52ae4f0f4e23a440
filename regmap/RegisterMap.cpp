#include "regmap/RegisterMap.h"

#include "live/RegisterFormat.h"

#include <QJsonArray>
#include <QJsonObject>

namespace RegisterMap {
namespace {

const char* const kValueNames[RegisterFormat::kValues] = {"current", "variable_1", "variable_2", "variable_3",
                                                          "variable_4"};
constexpr int kSlots = 5;

// The value's text as a table shows it: a number, or a word without quotes.
QString plain(const Profile& profile, const QString& key)
{
    const auto found = profile.values.find(key);
    if (found == profile.values.end()) return {};
    const QJsonValue& v = found->second;
    if (v.isString()) return v.toString();
    if (v.isDouble()) return QString::number(v.toInteger());
    if (v.isBool()) return v.toBool() ? QStringLiteral("true") : QStringLiteral("false");
    return {};
}

QString deviceKey(int slot, const QString& rest) { return QStringLiteral("modbus.devices[%1].").arg(slot) + rest; }

} // namespace

QString Row::valueName() const { return QLatin1String(kValueNames[value]); }
QString Row::type() const { return RegisterFormat::typeName(format); }
QString Row::wordOrder() const { return RegisterFormat::wordOrder(format); }

QString Row::example() const
{
    const auto words = RegisterFormat::encode(100, format);
    return QStringLiteral("%1 %2").arg(words[0], 4, 16, QLatin1Char('0')).arg(words[1], 4, 16, QLatin1Char('0')).toUpper();
}

bool Map::publishesSlots() const
{
    return header.workingMode == u"single_meter" || header.workingMode == u"multi_slave";
}

Map build(const Profile& profile, const Instruments& instruments, bool all)
{
    Map map;
    map.header.slaveAddress = plain(profile, QStringLiteral("system.slave_address"));
    map.header.workingMode = plain(profile, QStringLiteral("system.working_mode"));
    for (const auto& [port, name] : {std::pair{&map.header.rs232Rs485a, "rs232_rs485a"}, std::pair{&map.header.rs485b, "rs485b"}}) {
        const QString n = QLatin1String(name);
        port->baud = plain(profile, QStringLiteral("system.%1.baud").arg(n));
        port->parity = plain(profile, QStringLiteral("system.%1.parity").arg(n));
        port->baseAddress = plain(profile, QStringLiteral("system.%1_base_address").arg(n));
    }
    // In multi-slave mode slot n polls the instrument at polling address n; in single meter
    // mode the address is not the slot's to say.
    const bool multiSlave = map.header.workingMode == u"multi_slave";

    for (int slot = 0; slot < kSlots; ++slot) {
        const auto enabled = profile.values.find(deviceKey(slot, QStringLiteral("enabled")));
        std::array<std::optional<int>, RegisterFormat::kValues> formats;
        bool known = enabled != profile.values.end();
        for (int v = 0; v < RegisterFormat::kValues; ++v) {
            formats[size_t(v)] = profile.choice(deviceKey(slot, QStringLiteral("formats.") + kValueNames[v]));
            known = known && formats[size_t(v)];
        }
        if (!known) {
            map.unknownSlots.push_back(slot);
            continue;
        }
        const bool on = enabled->second.toBool();
        if (!on && !all) continue;
        const Instrument* instrument = nullptr;
        if (multiSlave)
            if (const auto found = instruments.find(slot); found != instruments.end()) instrument = &found->second;
        for (int v = 0; v < RegisterFormat::kValues; ++v) {
            Row row;
            row.slot = slot;
            row.value = v;
            row.enabled = on;
            row.format = *formats[size_t(v)];
            row.meterType = plain(profile, deviceKey(slot, QStringLiteral("meter_type")));
            if (multiSlave) row.pollingAddress = slot;
            if (instrument) {
                row.tag = instrument->tag;
                row.unit = instrument->units[size_t(v)];
            }
            map.rows.push_back(row);
        }
    }
    return map;
}

std::optional<std::pair<int, Instrument>> fromSnapshot(const QJsonObject& snapshot)
{
    const QJsonValue address = snapshot.value(QStringLiteral("polling_address"));
    if (!address.isDouble()) return std::nullopt;
    Instrument instrument;
    instrument.tag = snapshot.value(QStringLiteral("tag")).toString();
    instrument.units[0] = QStringLiteral("mA"); // HART reports the loop current in milliamperes
    const char* const roles[4] = {"PV", "SV", "TV", "QV"};
    const QJsonArray variables = snapshot.value(QStringLiteral("variables")).toArray();
    for (int k = 0; k < 4; ++k)
        for (const QJsonValue& v : variables) {
            const QJsonObject variable = v.toObject();
            if (variable.value(QStringLiteral("role")).toString() == QLatin1String(roles[k]))
                instrument.units[size_t(k + 1)] = variable.value(QStringLiteral("unit")).toString();
        }
    // The range's unit is the PV's when the variables were not read.
    if (instrument.units[1].isEmpty())
        instrument.units[1] = snapshot.value(QStringLiteral("pv")).toObject().value(QStringLiteral("unit")).toString();
    return std::pair{address.toInt(), instrument};
}

} // namespace RegisterMap
