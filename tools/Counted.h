#pragma once

#include <QString>

// A count with its noun in the number the count takes: "1 cycle", "0 cycles", "3 CRC
// errors". `plural` is for a noun that does not just take an "s".
QString counted(qint64 n, const QString& noun, const QString& plural = {});
