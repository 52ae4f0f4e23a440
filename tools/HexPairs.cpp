#include "tools/HexPairs.h"

int hexDigitValue(QChar c)
{
    if (c >= u'0' && c <= u'9') return c.unicode() - u'0';
    if (c >= u'A' && c <= u'F') return c.unicode() - u'A' + 10;
    return -1;
}

BuiltRequest parseHexPairs(const QString& text, int maxCount, bool emptyAllowed)
{
    const qsizetype len = text.size();
    // Pair i holds the characters at 3i and 3i + 1; a text of 3k + 1 characters ends in
    // half a pair.
    const qsizetype count = len / 3 + (len % 3 == 2 ? 1 : 0);
    QByteArray bytes;
    bytes.reserve(count);
    for (qsizetype i = 0; i < count; ++i) {
        const int high = hexDigitValue(text[3 * i]), low = hexDigitValue(text[3 * i + 1]);
        if (high < 0 || low < 0) return BuiltRequest::refused(QStringLiteral("Data eeore!"));
        bytes.append(static_cast<char>(high * 16 + low));
    }
    // Every character after a pair (between pairs, or the one trailing blank) is a blank.
    for (qsizetype at = 2; at < len; at += 3)
        if (text[at] != u' ') return BuiltRequest::refused(QStringLiteral("NO SPACK"));
    if (len % 3 == 1 || count > maxCount)
        return BuiltRequest::refused(
            QStringLiteral("At most %1 pairs of hex digits, separated by single blanks (76 89 FD AD).").arg(maxCount));
    if (count == 0 && !emptyAllowed) return BuiltRequest::refused(QStringLiteral("NO SPACK"));
    return bytes;
}
