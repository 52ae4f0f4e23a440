#pragma once

#include "profile/Profile.h"

#include <QString>
#include <QStringList>
#include <vector>

// A profile's settings as labelled tables for people to read: the converter's own settings
// with a row each, the five device slots and the six monitoring commands side by side, one
// column each. Every setting of the profile's settings table has its place; a value the
// document does not hold shows "-".
namespace SettingsTables {

struct Table {
    QString title;         // "Device slots"
    QStringList columns;   // "Setting", then "Value", or "Slot 0" ... "Slot 4"
    std::vector<QStringList> rows; // the label, then the values
};

std::vector<Table> tables(const Profile& profile);

// "RS232/RS485A return time (ms)" for "rs485a_return_time_ms": a key's words as a label.
QString label(const QString& keyPart);

// A value as the file holds it, without the JSON around it: None, multi_slave, 9600, yes.
QString valueText(const Profile& profile, const QString& key);

} // namespace SettingsTables
