#pragma once

#include "exchange/FieldUpdate.h"
#include "profile/ProfileSchema.h"

#include <QJsonValue>
#include <map>
#include <optional>
#include <vector>

// Moves settings' values between a profile and the field updates the codecs speak, without
// widgets: a decoder's updates give a profile's values, and a profile's values give the
// updates that show them on the pages.
namespace ProfileFields {

// What a reply's updates leave in each named control: a list's item, an edit's text, a
// check box's tick. A control no update reached holds nothing.
class FieldState {
public:
    void apply(const Decoded& decoded);
    // The control's value in profile terms; nothing when it holds no value the setting
    // accepts.
    std::optional<QJsonValue> take(const ProfileSchema::Setting& setting) const;

private:
    std::map<QString, FieldUpdate> last_;
};

// The values of `settings` from a query's decoded reply into `values`. Empty on success;
// else the conversion error, or the settings the reply held no usable value for. A setting
// only a custom meter has is passed over unless the meter type read before it is custom; an
// optional one may be missing.
QString takeSettings(const Decoded& decoded, const std::vector<const ProfileSchema::Setting*>& settings,
                     std::map<QString, QJsonValue>& values);

// The update that shows the value in the setting's control.
FieldUpdate updateFor(const ProfileSchema::Setting& setting, const QJsonValue& value);

} // namespace ProfileFields
