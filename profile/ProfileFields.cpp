#include "profile/ProfileFields.h"

using ProfileSchema::Kind;

namespace ProfileFields {

void FieldState::apply(const Decoded& decoded)
{
    for (const FieldUpdate& u : decoded.updates)
        if (u.kind != FieldUpdate::Kind::Visible) last_.insert_or_assign(u.control, u);
}

std::optional<QJsonValue> FieldState::take(const ProfileSchema::Setting& s) const
{
    const auto found = last_.find(s.control);
    if (found == last_.end()) return std::nullopt;
    const FieldUpdate& u = found->second;
    QJsonValue value;
    switch (u.kind) {
    case FieldUpdate::Kind::Checked: value = u.index == 1; break;
    case FieldUpdate::Kind::ItemIndex:
        if (s.kind == Kind::Flag && (u.index == 0 || u.index == 1)) value = u.index == 1;
        else if (s.kind == Kind::Choice && u.index >= 0 && u.index < s.choices.size()) value = s.choices[u.index];
        break;
    case FieldUpdate::Kind::Text: {
        const QString text = QString::fromLatin1(u.text);
        if (s.kind == Kind::Number) {
            bool ok = false;
            const qint64 n = text.toLongLong(&ok);
            if (ok) value = n * s.scale;
        } else {
            value = text;
        }
        break;
    }
    case FieldUpdate::Kind::Visible: break;
    }
    if (!s.accepts(value)) return std::nullopt;
    return value;
}

FieldUpdate updateFor(const ProfileSchema::Setting& s, const QJsonValue& value)
{
    switch (s.kind) {
    case Kind::Flag:
        return s.checkBox ? FieldUpdate::checked(s.control, value.toBool())
                          : FieldUpdate::item(s.control, value.toBool() ? 1 : 0);
    case Kind::Choice: return FieldUpdate::item(s.control, int(s.choices.indexOf(value)));
    case Kind::Number:
        return FieldUpdate::edit(s.control, QByteArray::number(value.toInteger() / s.scale));
    case Kind::Coefficient:
    case Kind::HexCommand: return FieldUpdate::edit(s.control, value.toString().toLatin1());
    }
    return {};
}

QString takeSettings(const Decoded& decoded, const std::vector<const ProfileSchema::Setting*>& settings,
                     std::map<QString, QJsonValue>& values)
{
    if (decoded.error) return *decoded.error;
    FieldState fields;
    fields.apply(decoded);
    QStringList missing;
    bool custom = false;
    for (const ProfileSchema::Setting* s : settings) {
        if (s->customOnly && !custom) continue;
        const auto value = fields.take(*s);
        if (!value) {
            if (!s->optional) missing << s->key;
            continue;
        }
        values[s->key] = *value;
        if (s->key == ProfileSchema::meterTypeKey(s->device)) custom = *value == ProfileSchema::kCustomMeter;
    }
    if (missing.isEmpty()) return {};
    return QStringLiteral("the reply held no usable value for %1").arg(missing.join(QStringLiteral(", ")));
}

} // namespace ProfileFields
