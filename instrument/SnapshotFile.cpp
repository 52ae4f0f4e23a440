#include "instrument/SnapshotFile.h"

#include "files/JsonText.h"
#include "files/ReadFile.h"
#include "tools/TerminalText.h"

#include <QJsonArray>
#include <QJsonDocument>

namespace SnapshotFile {
namespace {

enum class Type { Number, Text, Object, List };

struct Key {
    const char* key;
    Type type;
    bool compared;
};

// Every key a snapshot must hold, in the file's order; all but the objects may be null.
constexpr Key kKeys[] = {
    {"read_at", Type::Text, false},
    {"polling_address", Type::Number, true},
    {"identity", Type::Object, false},
    {"identity.manufacturer", Type::Number, true},
    {"identity.device_type", Type::Number, true},
    {"identity.device_id", Type::Text, true},
    {"identity.hart_revision", Type::Number, true},
    {"identity.device_revision", Type::Number, true},
    {"identity.software_revision", Type::Number, true},
    {"identity.hardware_revision", Type::Number, true},
    {"identity.config_change_counter", Type::Number, true},
    {"tag", Type::Text, true},
    {"descriptor", Type::Text, true},
    {"date", Type::Text, true},
    {"message", Type::Text, true},
    {"long_tag", Type::Text, true},
    {"final_assembly_number", Type::Number, true},
    {"loop_current_mode", Type::Text, true},
    {"pv", Type::Object, false},
    {"pv.unit_code", Type::Number, true},
    {"pv.upper_range", Type::Number, true},
    {"pv.lower_range", Type::Number, true},
    {"pv.damping_s", Type::Number, true},
    {"pv.transfer_function_code", Type::Number, true},
    {"pv.alarm_code", Type::Number, true},
    {"pv.write_protect_code", Type::Number, true},
    {"sensor", Type::Object, false},
    {"sensor.serial", Type::Number, true},
    {"sensor.unit_code", Type::Number, true},
    {"sensor.upper_limit", Type::Number, true},
    {"sensor.lower_limit", Type::Number, true},
    {"sensor.min_span", Type::Number, true},
    {"assignments", Type::Object, false},
    {"assignments.pv", Type::Number, true},
    {"assignments.sv", Type::Number, true},
    {"assignments.tv", Type::Number, true},
    {"assignments.qv", Type::Number, true},
    {"classifications", Type::Object, false},
    {"classifications.pv", Type::Number, true},
    {"classifications.sv", Type::Number, true},
    {"classifications.tv", Type::Number, true},
    {"classifications.qv", Type::Number, true},
    {"variables", Type::List, false},
    {"diagnostics", Type::Object, false},
};

// The value at a dotted key; undefined when a step is missing.
QJsonValue at(const QJsonObject& root, const QString& key)
{
    QJsonValue node = root;
    for (const QString& step : key.split(u'.')) node = node.toObject().value(step);
    return node;
}

bool holds(const QJsonValue& v, Type type)
{
    switch (type) {
    case Type::Number: return v.isNull() || v.isDouble();
    case Type::Text: return v.isNull() || v.isString();
    case Type::Object: return v.isObject();
    case Type::List: return v.isArray();
    }
    return false;
}

const char* typeName(Type type)
{
    switch (type) {
    case Type::Number: return "a number or null";
    case Type::Text: return "a string or null";
    case Type::Object: return "an object";
    case Type::List: return "a list";
    }
    return "";
}

QString shown(const QJsonValue& v)
{
    if (v.isNull() || v.isUndefined()) return QStringLiteral("null");
    const QByteArray one = QJsonDocument(QJsonArray{v}).toJson(QJsonDocument::Compact);
    return QString::fromUtf8(one.mid(1, one.size() - 2));
}

} // namespace

const QStringList& configurationKeys()
{
    static const QStringList keys = [] {
        QStringList out;
        for (const Key& k : kKeys)
            if (k.compared) out << QString::fromLatin1(k.key);
        return out;
    }();
    return keys;
}

std::optional<QJsonObject> fromJson(const QByteArray& json, QStringList& problems)
{
    const qsizetype before = problems.size();
    const auto root = JsonText::parseObject(json, problems);
    if (!root) return std::nullopt;
    if (root->value("format") != QLatin1String(kFormatName))
        problems << QStringLiteral("format: must be \"%1\"").arg(QLatin1String(kFormatName));
    else if (root->value("version") != kVersion)
        problems << QStringLiteral("version: must be %1, the version this program reads").arg(kVersion);
    else
        for (const Key& k : kKeys) {
            const QJsonValue v = at(*root, QString::fromLatin1(k.key));
            if (v.isUndefined()) problems << QStringLiteral("%1: missing").arg(QLatin1String(k.key));
            else if (!holds(v, k.type))
                problems << QStringLiteral("%1: must be %2").arg(QLatin1String(k.key), QLatin1String(typeName(k.type)));
        }
    if (problems.size() != before) return std::nullopt;
    return root;
}

std::optional<QJsonObject> load(const QByteArray& path, QStringList& problems)
{
    const ReadFile::Result file = ReadFile::read(path, kSizeLimit);
    if (!file.ok()) {
        problems << file.error;
        return std::nullopt;
    }
    QStringList own;
    auto snapshot = fromJson(file.bytes, own);
    for (const QString& p : own) problems << TerminalText::fileName(path) + QStringLiteral(": ") + p;
    return snapshot;
}

std::vector<Difference> compare(const QJsonObject& old, const QJsonObject& now)
{
    std::vector<Difference> out;
    for (const QString& key : configurationKeys()) {
        const QJsonValue a = at(old, key), b = at(now, key);
        // Both read from files written with the fewest digits of a single, so the same
        // single reads as the same double.
        const bool same = (a.isNull() || a.isUndefined()) ? (b.isNull() || b.isUndefined()) : a == b;
        if (!same) out.push_back({key, shown(a), shown(b)});
    }
    return out;
}

} // namespace SnapshotFile
