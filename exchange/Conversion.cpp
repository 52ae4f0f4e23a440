#include "exchange/Conversion.h"

int32_t StrToInt(const QString& text)
{
    qsizetype i = 0;
    bool negative = false;
    if (i < text.size() && (text[i] == u'-' || text[i] == u'+')) negative = text[i++] == u'-';
    if (i == text.size()) throw EConvertError(text);
    int64_t value = 0;
    for (; i < text.size(); ++i) {
        const char16_t c = text[i].unicode();
        if (c < u'0' || c > u'9') throw EConvertError(text);
        value = value * 10 + (c - u'0');
        if (value > int64_t(INT32_MAX) + 1) throw EConvertError(text);
    }
    if (negative) value = -value;
    if (value > INT32_MAX) throw EConvertError(text);
    return static_cast<int32_t>(value);
}

int32_t StrToIntAt(const QByteArray& text, qsizetype pos, qsizetype count)
{
    return StrToInt(pos < text.size() ? QString::fromLatin1(text.mid(pos, count)) : QString());
}
