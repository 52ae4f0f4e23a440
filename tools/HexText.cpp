#include "tools/HexText.h"

QString ByteToHex(int value)
{
    static const char digits[] = "0123456789ABCDEF";
    if (value < 0 || value > 255) return QStringLiteral(".");
    const char pair[2] = {digits[value / 16], digits[value % 16]};
    return QString::fromLatin1(pair, 2);
}

QString hexDisplay(const QByteArray& bytes)
{
    QString text;
    text.reserve(bytes.size() * 3);
    for (const char byte : bytes) text += ByteToHex(static_cast<unsigned char>(byte)) + u' ';
    return text;
}
