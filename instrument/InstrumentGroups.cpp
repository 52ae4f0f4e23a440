#include "instrument/InstrumentGroups.h"

#include "pages/hart/HartStatus.h"
#include "pages/hart/InstrumentTables.h"
#include "tools/FloatText.h"

#include <QJsonArray>
#include <algorithm>
#include <cmath>

namespace InstrumentGroups {
namespace {

const QString kNone = QStringLiteral("-");

bool given(const QJsonValue& v) { return !v.isNull() && !v.isUndefined(); }

// A number as the file has it; singles in their fewest digits.
QString number(const QJsonValue& v)
{
    if (!v.isDouble()) return kNone;
    const double d = v.toDouble();
    if (std::abs(d) < 1e15 && d == double(qint64(d))) return QString::number(qint64(d));
    return shortestSingle(float(d));
}

QString string(const QJsonValue& v) { return v.isString() ? v.toString() : kNone; }

// "38 (0x26)"
QString code(const QJsonValue& v, int digits)
{
    if (!v.isDouble()) return kNone;
    const int n = v.toInt();
    return QStringLiteral("%1 (0x%2)").arg(n).arg(QString::number(n, 16).toUpper().rightJustified(digits, u'0'));
}

// "12.5 kPa"
QString withUnit(const QJsonValue& value, const QJsonValue& unit)
{
    if (!value.isDouble()) return kNone;
    return unit.isString() ? number(value) + u' ' + unit.toString() : number(value);
}

QString range(const QJsonValue& lower, const QJsonValue& upper, const QJsonValue& unit)
{
    if (!lower.isDouble() && !upper.isDouble()) return kNone;
    QString text = number(lower) + QStringLiteral(" to ") + number(upper);
    if (unit.isString()) text += u' ' + unit.toString();
    return text;
}

// "0x40: configuration changed"; "0x00" alone when nothing is set.
QString bits(const QJsonValue& v, const QStringList& words)
{
    if (!v.isDouble()) return kNone;
    const QString hex = QStringLiteral("0x") + QString::number(v.toInt(), 16).toUpper().rightJustified(2, u'0');
    return words.isEmpty() ? hex : hex + QStringLiteral(": ") + words.join(QStringLiteral(", "));
}

QStringList wordsOf(const QJsonValue& v, QStringList (*words)(uint8_t))
{
    return v.isDouble() ? words(uint8_t(v.toInt())) : QStringList();
}

Group identity(const QJsonObject& s)
{
    const QJsonObject id = s.value("identity").toObject();
    return {QStringLiteral("Identity"),
            {{QStringLiteral("Polling address"), number(s.value("polling_address"))},
             {QStringLiteral("Manufacturer"), code(id.value("manufacturer"), 2)},
             {QStringLiteral("Device type"), code(id.value("device_type"), 2)},
             {QStringLiteral("Device ID"), string(id.value("device_id"))},
             {QStringLiteral("HART revision"), number(id.value("hart_revision"))},
             {QStringLiteral("Device revision"), number(id.value("device_revision"))},
             {QStringLiteral("Software revision"), number(id.value("software_revision"))},
             {QStringLiteral("Hardware revision"), number(id.value("hardware_revision"))},
             {QStringLiteral("Configuration changes"), number(id.value("config_change_counter"))}}};
}

Group tagAndMessage(const QJsonObject& s)
{
    return {QStringLiteral("Tag and message"),
            {{QStringLiteral("Tag"), string(s.value("tag"))},
             {QStringLiteral("Long tag"), string(s.value("long_tag"))},
             {QStringLiteral("Descriptor"), string(s.value("descriptor"))},
             {QStringLiteral("Date"), string(s.value("date"))},
             {QStringLiteral("Message"), string(s.value("message"))},
             {QStringLiteral("Final assembly number"), number(s.value("final_assembly_number"))}}};
}

Group pvOutput(const QJsonObject& s)
{
    const QJsonObject pv = s.value("pv").toObject();
    const QJsonValue unit = pv.value("unit");
    QString protect = kNone;
    if (pv.value("write_protect").isBool()) protect = pv.value("write_protect").toBool() ? QStringLiteral("yes") : QStringLiteral("no");
    else if (pv.value("write_protect_code").isDouble())
        protect = InstrumentTables::writeProtect(pv.value("write_protect_code").toInt());
    return {QStringLiteral("PV output"),
            {{QStringLiteral("Range"), range(pv.value("lower_range"), pv.value("upper_range"), unit)},
             {QStringLiteral("Unit"), given(unit) ? QStringLiteral("%1 (code %2)").arg(unit.toString(), number(pv.value("unit_code"))) : kNone},
             {QStringLiteral("Damping"), withUnit(pv.value("damping_s"), QStringLiteral("s"))},
             {QStringLiteral("Transfer function"), string(pv.value("transfer_function"))},
             {QStringLiteral("Alarm"), string(pv.value("alarm"))},
             {QStringLiteral("Write protection"), protect},
             {QStringLiteral("Loop current mode"), string(s.value("loop_current_mode"))}}};
}

Group sensor(const QJsonObject& s)
{
    const QJsonObject sensor = s.value("sensor").toObject();
    const QJsonValue unit = sensor.value("unit");
    return {QStringLiteral("Sensor"),
            {{QStringLiteral("Serial number"), number(sensor.value("serial"))},
             {QStringLiteral("Limits"), range(sensor.value("lower_limit"), sensor.value("upper_limit"), unit)},
             {QStringLiteral("Minimum span"), withUnit(sensor.value("min_span"), unit)}}};
}

Group variables(const QJsonObject& s)
{
    Group g{QStringLiteral("Device variables"), {}};
    const QJsonObject assigned = s.value("assignments").toObject();
    QStringList roles;
    for (const char* role : {"pv", "sv", "tv", "qv"})
        roles << QStringLiteral("%1 %2").arg(QString::fromLatin1(role).toUpper(), number(assigned.value(QLatin1String(role))));
    g.rows.push_back({QStringLiteral("Assignment"), roles.join(QStringLiteral(", "))});
    for (const QJsonValue& item : s.value("variables").toArray()) {
        const QJsonObject v = item.toObject();
        QString label = QStringLiteral("Variable %1").arg(number(v.value("code")));
        if (v.value("role").isString()) label = v.value("role").toString() + QStringLiteral(" (variable %1)").arg(number(v.value("code")));
        QString value = v.value("value").isDouble() ? withUnit(v.value("value"), v.value("unit")) : QStringLiteral("no value");
        if (v.value("class_code").isDouble() && v.value("class_code").toInt() != 0)
            value += QStringLiteral(", ") + InstrumentTables::classification(v.value("class_code").toInt());
        if (v.value("status_words").isString()) value += QStringLiteral("; ") + v.value("status_words").toString();
        g.rows.push_back({label, value});
    }
    return g;
}

Group diagnostics(const QJsonObject& s)
{
    const QJsonObject d = s.value("diagnostics").toObject();
    Group g{QStringLiteral("Diagnostics"),
            {{QStringLiteral("Device status"), bits(d.value("device_status"), wordsOf(d.value("device_status"), HartStatus::deviceStatus))},
             {QStringLiteral("Extended status"),
              bits(d.value("extended_status"), wordsOf(d.value("extended_status"), InstrumentTables::extendedDeviceStatus))}}};
    if (given(d.value("standardized_status_0")))
        g.rows.push_back({QStringLiteral("Standardized status 0"),
                          bits(d.value("standardized_status_0"),
                               wordsOf(d.value("standardized_status_0"), InstrumentTables::standardizedStatus0))});
    const struct {
        const char* key;
        const char* label;
    } more[] = {{"operating_mode", "Operating mode"},
                {"standardized_status_1", "Standardized status 1"},
                {"standardized_status_2", "Standardized status 2"},
                {"standardized_status_3", "Standardized status 3"},
                {"analog_channel_saturated", "Analog channels saturated"},
                {"analog_channel_fixed", "Analog channels fixed"}};
    for (const auto& m : more)
        if (given(d.value(QLatin1String(m.key)))) g.rows.push_back({QLatin1String(m.label), bits(d.value(QLatin1String(m.key)), {})});
    const struct {
        const char* key;
        const char* label;
    } specific[] = {{"device_specific", "Device-specific (bytes 0-5)"},
                    {"device_specific_hart5", "Device-specific (bytes 6-13)"},
                    {"device_specific_more", "Device-specific (bytes 14-24)"}};
    for (const auto& s : specific)
        if (d.value(QLatin1String(s.key)).isString() && !d.value(QLatin1String(s.key)).toString().isEmpty())
            g.rows.push_back({QLatin1String(s.label), d.value(QLatin1String(s.key)).toString()});
    return g;
}

} // namespace

std::vector<Group> groups(const QJsonObject& snapshot)
{
    std::vector<Group> out{identity(snapshot), tagAndMessage(snapshot), pvOutput(snapshot),
                           sensor(snapshot),   variables(snapshot),     diagnostics(snapshot)};
    Group notRead{QStringLiteral("Not read"), {}};
    for (const QJsonValue& note : snapshot.value("notes").toArray()) {
        const QString text = note.toString();
        const qsizetype colon = text.indexOf(QStringLiteral("): "));
        if (colon < 0) notRead.rows.push_back({QString(), text});
        else notRead.rows.push_back({text.left(colon + 1), text.mid(colon + 3)});
    }
    if (!notRead.rows.empty()) out.push_back(notRead);
    return out;
}

QString text(const std::vector<Group>& groups)
{
    qsizetype width = 0;
    for (const Group& g : groups)
        for (const Row& r : g.rows) width = std::max(width, r.label.size());
    QString out;
    for (const Group& g : groups) {
        if (!out.isEmpty()) out += u'\n';
        out += g.title + u'\n';
        for (const Row& r : g.rows) out += QStringLiteral("  ") + r.label.leftJustified(width + 2) + r.value + u'\n';
    }
    return out;
}

} // namespace InstrumentGroups
