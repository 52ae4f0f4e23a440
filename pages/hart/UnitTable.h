#pragma once

#include <QStringList>

constexpr int kOtherUnit = 76;

// The unit list item for a HART unit code; codes not in the table give "other" (item 76).
// Item 77, after "other", is kilograms per hour (code 75).
int unitItemIndex(int code);

// The 78 items of unit list 0 to 3 (variables 1 to 4).
QStringList unitItems(int list);
