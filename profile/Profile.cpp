#include "profile/Profile.h"

#include "files/JsonText.h"
#include "profile/ProfileSchema.h"
#include "tools/TerminalText.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QRegularExpression>
#include <QSet>
#include <algorithm>
#include <variant>

using ProfileSchema::Setting;

namespace {

// A key's steps: object member names and list positions.
using Step = std::variant<QString, int>;

std::vector<Step> stepsOf(const QString& key)
{
    std::vector<Step> steps;
    static const QRegularExpression part(QStringLiteral(R"(([a-z0-9_]+)|\[(\d+)\])"));
    for (auto it = part.globalMatch(key); it.hasNext();) {
        const auto m = it.next();
        if (m.capturedLength(1)) steps.emplace_back(m.captured(1));
        else steps.emplace_back(m.captured(2).toInt());
    }
    return steps;
}

QJsonValue withValue(QJsonValue node, const std::vector<Step>& steps, size_t at, const QJsonValue& value)
{
    if (at == steps.size()) return value;
    if (const auto* name = std::get_if<QString>(&steps[at])) {
        QJsonObject o = node.toObject();
        o[*name] = withValue(o.value(*name), steps, at + 1, value);
        return o;
    }
    const int index = std::get<int>(steps[at]);
    QJsonArray a = node.toArray();
    while (a.size() <= index) a.append(QJsonValue());
    a[index] = withValue(a.at(index), steps, at + 1, value);
    return a;
}

// A name from the file, as problems show it: its control characters escaped, since the
// problems are printed to a terminal.
QString shown(const QString& key) { return TerminalText::escaped(key); }

// Every object and list a complete profile has, by key, and whether it is a list.
const QHash<QString, bool>& containers()
{
    static const QHash<QString, bool> all = [] {
        QHash<QString, bool> out;
        for (const Setting& s : ProfileSchema::settings()) {
            for (qsizetype i = 1; i < s.key.size(); ++i)
                if (s.key[i] == u'.' || s.key[i] == u'[') out.insert(s.key.left(i), s.key[i] == u'[');
        }
        return out;
    }();
    return all;
}

// Walks the file into settings by key; anything that is not where a setting or a
// container of settings belongs is a problem.
void flatten(const QJsonValue& node, const QString& key, std::map<QString, QJsonValue>& out, QStringList& problems)
{
    const bool container = node.isObject() || node.isArray();
    if (!key.isEmpty() && ProfileSchema::find(key)) {
        // Checked against the setting later. A dotted member name reaches the same key as
        // the nested form; two values for one setting would silently lose one of them.
        if (!out.emplace(key, node).second) problems << QStringLiteral("%1: given twice").arg(key);
        return;
    }
    if (!key.isEmpty() && !containers().contains(key)) {
        problems << QStringLiteral("%1: unknown key").arg(shown(key));
        return;
    }
    const bool list = !key.isEmpty() && containers().value(key);
    if (!container || node.isArray() != list) {
        problems << QStringLiteral("%1: must be %2").arg(key, list ? QStringLiteral("a list") : QStringLiteral("an object"));
        return;
    }
    if (list) {
        const QJsonArray a = node.toArray();
        for (int i = 0; i < a.size(); ++i) flatten(a.at(i), QStringLiteral("%1[%2]").arg(key).arg(i), out, problems);
        return;
    }
    const QJsonObject o = node.toObject();
    for (auto it = o.begin(); it != o.end(); ++it) {
        if (key.isEmpty() && (it.key() == u"format" || it.key() == u"version")) continue;
        flatten(it.value(), key.isEmpty() ? it.key() : key + u'.' + it.key(), out, problems);
    }
}

int choiceIndex(const QString& key, const std::map<QString, QJsonValue>& values)
{
    const Setting* s = ProfileSchema::find(key);
    const auto it = values.find(key);
    return s && it != values.end() ? int(s->choices.indexOf(it->second)) : -1;
}

} // namespace

std::optional<Profile> Profile::fromJson(const QByteArray& json, QStringList& problems)
{
    problems.clear();
    const auto parsed = JsonText::parseObject(json, problems);
    if (!parsed) return std::nullopt;
    const QJsonObject& root = *parsed;
    if (root.value("format") != ProfileSchema::kFormatName)
        problems << QStringLiteral("format: must be \"%1\"").arg(ProfileSchema::kFormatName);
    if (root.value("version") != ProfileSchema::kVersion)
        problems << QStringLiteral("version: must be %1, the version this program reads").arg(ProfileSchema::kVersion);

    Profile p;
    flatten(root, QString(), p.values, problems);
    for (const Setting& s : ProfileSchema::settings()) {
        const auto it = p.values.find(s.key);
        const bool present = it != p.values.end();
        if (present && !s.accepts(it->second)) {
            problems << QStringLiteral("%1: accepts %2").arg(s.key, s.accepts());
            continue;
        }
        if (s.customOnly) {
            const int meter = choiceIndex(ProfileSchema::meterTypeKey(s.device), p.values);
            if (meter < 0) continue; // the meter type's own problem is reported
            const bool custom = meter == 0;
            if (present && !custom)
                problems << QStringLiteral("%1: held only when %2 is \"%3\"")
                                .arg(s.key, ProfileSchema::meterTypeKey(s.device), ProfileSchema::kCustomMeter);
            if (present || !custom) continue;
        }
        if (!present && !s.optional) problems << QStringLiteral("%1: missing; accepts %2").arg(s.key, s.accepts());
    }
    // The module mode is the working mode as the MODBUS page shows it.
    const int module = choiceIndex("modbus.module_mode", p.values);
    const int working = choiceIndex("system.working_mode", p.values);
    if (module >= 0 && working >= 0 && module != working)
        problems << QStringLiteral("modbus.module_mode: is the converter's working mode too, so it must agree "
                                   "with system.working_mode (%1)")
                        .arg(working <= 2 ? u'"' + ProfileSchema::find("modbus.module_mode")->choices[working].toString() + u'"'
                                          : QStringLiteral("leave it out for this mode"));
    if (!problems.isEmpty()) return std::nullopt;
    return p;
}

QByteArray Profile::toJson() const
{
    QJsonValue root = QJsonObject{{"format", ProfileSchema::kFormatName}, {"version", ProfileSchema::kVersion}};
    for (const Setting& s : ProfileSchema::settings())
        if (const auto it = values.find(s.key); it != values.end()) root = withValue(root, stepsOf(s.key), 0, it->second);
    return QJsonDocument(root.toObject()).toJson(QJsonDocument::Indented);
}

std::optional<int> Profile::choice(const QString& key) const
{
    const int index = choiceIndex(key, values);
    return index < 0 ? std::nullopt : std::optional<int>(index);
}

QString Profile::text(const QString& key) const
{
    const auto it = values.find(key);
    if (it == values.end()) return QStringLiteral("-");
    const QJsonValue& v = it->second;
    if (v.isString()) return u'"' + v.toString() + u'"';
    if (v.isBool()) return v.toBool() ? QStringLiteral("true") : QStringLiteral("false");
    return QString::number(v.toInteger());
}

std::vector<ProfileDifference> compareProfiles(const Profile& profile, const Profile& converter)
{
    std::vector<ProfileDifference> rows;
    for (const Setting& s : ProfileSchema::settings()) {
        if (!profile.values.count(s.key)) continue;
        ProfileDifference row{s.key, profile.text(s.key), converter.text(s.key)};
        row.same = row.profile == row.converter;
        rows.push_back(row);
    }
    return rows;
}
