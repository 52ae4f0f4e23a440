#pragma once

#include "profile/ProfileSchema.h"

#include <QJsonValue>
#include <optional>

class QWidget;

// Moves one setting's value between a profile and the control that holds it in the
// window: a list's item, an edit's text, a check box's tick.
namespace ProfileControls {

void put(QWidget* control, const ProfileSchema::Setting& setting, const QJsonValue& value);
// The control's value in profile terms; nothing when it holds no value the setting accepts.
std::optional<QJsonValue> take(const QWidget* control, const ProfileSchema::Setting& setting);
// Empties the control, so that a reply that does not fill it shows as a missing value.
void blank(QWidget* control);

} // namespace ProfileControls
