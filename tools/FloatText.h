#pragma once

#include <QByteArray>
#include <QChar>
#include <QString>
#include <cstdint>

// A number in the general format with 15 significant digits: rounded, no trailing zeros,
// plain notation while the decimal exponent E of 0.d1d2... x 10^E lies in -3..15, else
// scientific ("3.40282346638529E38", "1.40129846432482E-45"); "INF", "-INF", "NAN", "0".
QString generalFormat(double value, QChar decimalPoint = u'.');

// The general format in a field of `width` characters without changing the value's
// magnitude: a text that fits, or whose cut drops only digits after the decimal point, is
// cut as before ("0.10000000"); otherwise the exponent form with as many significant digits
// as fit ("1E9", "3.40282E38").
QString fitGeneral(double value, int width, QChar decimalPoint = u'.');

// The single-precision value of a 32-bit pattern, first byte most significant.
float singleFromBits(uint32_t bits);
// The single-precision value of the four bytes from `i` on, first byte most significant.
float singleAt(const QByteArray& bytes, qsizetype i);

// The fewest digits that read back to the same single ("0.1", "1e+30", "-2.5"); "nan",
// "inf" or "-inf" for a value that is not finite.
QString shortestSingle(float value);
