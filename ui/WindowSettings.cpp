#include "ui/WindowSettings.h"

#include "profile/ProfileFields.h"
#include "profile/ProfileSchema.h"

#include <QCheckBox>
#include <QComboBox>
#include <QLineEdit>

namespace WindowSettings {
namespace {

// What the control holds, as the update that would have put it there.
std::optional<FieldUpdate> stateOf(const QList<QWidget*>& pages, const QString& name)
{
    for (QWidget* page : pages) {
        QWidget* w = page->objectName() == name ? page : page->findChild<QWidget*>(name);
        if (!w) continue;
        if (auto* box = qobject_cast<QCheckBox*>(w)) return FieldUpdate::checked(name, box->isChecked());
        if (auto* list = qobject_cast<QComboBox*>(w)) return FieldUpdate::item(name, list->currentIndex());
        if (auto* edit = qobject_cast<QLineEdit*>(w)) return FieldUpdate::edit(name, edit->text().toLatin1());
    }
    return std::nullopt;
}

} // namespace

Profile read(const QList<QWidget*>& pages, int shownSlot, const Profile& base)
{
    Profile out = base;
    ProfileFields::FieldState fields;
    Decoded shown;
    for (const ProfileSchema::Setting& s : ProfileSchema::settings())
        if (s.device < 0 || s.device == shownSlot)
            if (const auto state = stateOf(pages, s.control)) shown.updates.push_back(*state);
    fields.apply(shown);
    for (const ProfileSchema::Setting& s : ProfileSchema::settings()) {
        if (s.device >= 0 && s.device != shownSlot) continue;
        if (const auto value = fields.take(s)) out.values[s.key] = *value;
    }
    // A slot whose meter type is not the custom meter holds no custom settings.
    if (shownSlot >= 0) {
        const auto meter = out.values.find(ProfileSchema::meterTypeKey(shownSlot));
        const bool custom = meter != out.values.end() && meter->second == ProfileSchema::kCustomMeter;
        for (const ProfileSchema::Setting& s : ProfileSchema::settings())
            if (s.device == shownSlot && s.customOnly && !custom) out.values.erase(s.key);
    }
    return out;
}

} // namespace WindowSettings
