#include "tools/TerminalText.h"

namespace TerminalText {

namespace {

void appendHex(QString& out, const char* prefix, char32_t value, int digits)
{
    out += QLatin1StringView(prefix);
    out += QString::number(uint(value), 16).rightJustified(digits, u'0');
}

void appendCodePoint(QString& out, char32_t c, Newlines newlines)
{
    if (c == u'\\')
        out += QStringLiteral("\\\\");
    else if (c == u'\n' && newlines == Newlines::Keep)
        out += u'\n';
    else if (c < 0x20 || c == 0x7F)
        appendHex(out, "\\x", c, 2);
    else if ((c >= 0x80 && c <= 0x9F) || (c >= 0xD800 && c <= 0xDFFF))
        appendHex(out, "\\u", c, 4);
    else
        out += QStringView(QChar::fromUcs4(c));
}

// The length of the well-formed UTF-8 sequence starting at `at`, with its code point in
// `c`; 0 when the byte there starts none (stray continuation, overlong form, surrogate,
// beyond U+10FFFF, or cut short).
int sequenceAt(const QByteArray& bytes, qsizetype at, char32_t& c)
{
    const auto lead = uchar(bytes[at]);
    int length = 0;
    char32_t least = 0;
    if (lead < 0x80) {
        c = lead;
        return 1;
    }
    if ((lead & 0xE0) == 0xC0)
        length = 2, c = lead & 0x1F, least = 0x80;
    else if ((lead & 0xF0) == 0xE0)
        length = 3, c = lead & 0x0F, least = 0x800;
    else if ((lead & 0xF8) == 0xF0)
        length = 4, c = lead & 0x07, least = 0x10000;
    else
        return 0;
    if (bytes.size() - at < length) return 0;
    for (int i = 1; i < length; ++i) {
        const auto next = uchar(bytes[at + i]);
        if ((next & 0xC0) != 0x80) return 0;
        c = (c << 6) | (next & 0x3F);
    }
    if (c < least || c > 0x10FFFF || (c >= 0xD800 && c <= 0xDFFF)) return 0;
    return length;
}

} // namespace

QString escaped(const QString& text, Newlines newlines)
{
    QString out;
    out.reserve(text.size());
    for (qsizetype i = 0; i < text.size(); ++i) {
        char32_t c = text[i].unicode();
        if (text[i].isHighSurrogate() && i + 1 < text.size() && text[i + 1].isLowSurrogate())
            c = QChar::surrogateToUcs4(text[i], text[i + 1]), ++i;
        appendCodePoint(out, c, newlines);
    }
    return out;
}

QString escaped(const QByteArray& bytes, Newlines newlines)
{
    QString out;
    out.reserve(bytes.size());
    for (qsizetype i = 0; i < bytes.size();) {
        char32_t c = 0;
        if (const int length = sequenceAt(bytes, i, c)) {
            appendCodePoint(out, c, newlines);
            i += length;
        } else {
            appendHex(out, "\\x", uchar(bytes[i]), 2);
            ++i;
        }
    }
    return out;
}

} // namespace TerminalText
