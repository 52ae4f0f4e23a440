#include "tools/HexPairs.h"

#include <algorithm>

int hexDigitValue(QChar c)
{
    if (c >= u'0' && c <= u'9') return c.unicode() - u'0';
    if (c >= u'A' && c <= u'F') return c.unicode() - u'A' + 10;
    return -1;
}

std::optional<QByteArray> parseHexPairs(const QString& text, int maxCount)
{
    const qsizetype len = text.size();
    const qsizetype count = std::min<qsizetype>(len / 3 + (len % 3 == 2 ? 1 : 0), maxCount);
    QByteArray bytes;
    bytes.reserve(count);
    for (qsizetype i = 0; i < count; ++i) {
        const int high = hexDigitValue(text[3 * i]), low = hexDigitValue(text[3 * i + 1]);
        if (high < 0 || low < 0) return std::nullopt;
        bytes.append(static_cast<char>(high * 16 + low));
    }
    return bytes;
}
