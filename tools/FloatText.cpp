#include "tools/FloatText.h"

#include <bit>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>

QString generalFormat(double value, QChar point)
{
    if (std::isnan(value)) return QStringLiteral("NAN");
    if (std::isinf(value)) return value < 0 ? QStringLiteral("-INF") : QStringLiteral("INF");
    if (value == 0) return QStringLiteral("0");

    // "d.dddddddddddddde[+-]x": the 15 significant digits and the exponent of d.
    char buf[40];
    std::snprintf(buf, sizeof buf, "%.14e", std::fabs(value));
    QString digits;
    digits.append(QLatin1Char(buf[0]));
    const char* e = std::strchr(buf, 'e');
    for (const char* p = buf + 2; p < e; ++p) digits.append(QLatin1Char(*p));
    const int exponent = std::atoi(e + 1) + 1; // value = 0.d1d2... x 10^exponent
    while (digits.size() > 1 && digits.endsWith(u'0')) digits.chop(1);

    QString text;
    if (exponent >= -3 && exponent <= 15) {
        if (exponent <= 0)
            text = QStringLiteral("0") + point + QString(-exponent, u'0') + digits;
        else if (exponent >= digits.size())
            text = digits + QString(exponent - digits.size(), u'0');
        else
            text = digits.left(exponent) + point + digits.mid(exponent);
    } else {
        text = digits.left(1);
        if (digits.size() > 1) text += point + digits.mid(1);
        text += u'E' + QString::number(exponent - 1);
    }
    return value < 0 ? u'-' + text : text;
}

float singleFromBits(uint32_t bits) { return std::bit_cast<float>(bits); }
