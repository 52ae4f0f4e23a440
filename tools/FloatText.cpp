#include "tools/FloatText.h"

#include <bit>
#include <charconv>
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

namespace {

// value in the exponent form with at most `digits` significant digits, trailing zeros
// dropped: "3.40282E38", "-1E-45".
QString exponentForm(double value, int digits, QChar point)
{
    char buf[48];
    std::snprintf(buf, sizeof buf, "%.*e", digits - 1, std::fabs(value));
    const char* e = std::strchr(buf, 'e');
    QString mantissa = QString::fromLatin1(buf, int(e - buf));
    if (mantissa.contains(u'.')) {
        while (mantissa.endsWith(u'0')) mantissa.chop(1);
        if (mantissa.endsWith(u'.')) mantissa.chop(1);
    }
    mantissa.replace(u'.', point);
    const QString text = mantissa + u'E' + QString::number(std::atoi(e + 1));
    return value < 0 ? u'-' + text : text;
}

} // namespace

QString fitGeneral(double value, int width, QChar point)
{
    const QString text = generalFormat(value, point);
    if (text.size() <= width) return text;
    // Plain notation whose whole-number part fits: the cut only drops fraction digits.
    if (!text.contains(u'E')) {
        const qsizetype whole = text.contains(point) ? text.indexOf(point) : text.size();
        if (whole <= width) return text.left(width);
    }
    for (int digits = 15; digits > 1; --digits) {
        const QString shorter = exponentForm(value, digits, point);
        if (shorter.size() <= width) return shorter;
    }
    return exponentForm(value, 1, point);
}

float singleFromBits(uint32_t bits) { return std::bit_cast<float>(bits); }

float singleAt(const QByteArray& bytes, qsizetype i)
{
    const auto at = [&](qsizetype k) { return uint32_t(static_cast<uint8_t>(bytes[i + k])); };
    return singleFromBits(at(0) << 24 | at(1) << 16 | at(2) << 8 | at(3));
}

QString shortestSingle(float value)
{
    char buffer[32];
    const auto end = std::to_chars(buffer, buffer + sizeof buffer, value).ptr;
    return QString::fromLatin1(buffer, end - buffer);
}
