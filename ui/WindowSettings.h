#pragma once

#include "profile/Profile.h"

#include <QList>

class QWidget;

// The converter's settings as the window's pages show them, read through the profile's
// settings table: each setting from its control, as a profile document. The MODBUS page
// shows one device slot at a time, so only `shownSlot`'s settings are on the pages; the
// other slots come from `base` (the last whole read of the converter), or stay absent.
// A control that holds no value the setting accepts (a list blanked before its query's
// reply) leaves the setting as `base` has it.
namespace WindowSettings {

Profile read(const QList<QWidget*>& pages, int shownSlot, const Profile& base = {});

} // namespace WindowSettings
