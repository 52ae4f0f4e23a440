#pragma once

#include <QByteArray>
#include <QString>

// Two upper-case hexadecimal digits for 0 to 255, "." for anything above.
QString ByteToHex(int value);

// Each byte as two digits and one blank: "06 02 ".
QString hexDisplay(const QByteArray& bytes);
