#include "sim/HartBytes.h"

#include <bit>

void appendFloat(QByteArray& out, float value)
{
    const uint32_t bits = std::bit_cast<uint32_t>(value);
    for (int shift = 24; shift >= 0; shift -= 8) out.append(static_cast<char>(bits >> shift));
}

float floatAt(const QByteArray& bytes, qsizetype at)
{
    uint32_t bits = 0;
    for (qsizetype i = at; i < at + 4; ++i) bits = bits << 8 | uint8_t(bytes[i]);
    return std::bit_cast<float>(bits);
}

QByteArray packAscii(const QByteArray& text, int characters)
{
    QByteArray padded = text.left(characters).toUpper();
    padded.append(QByteArray(characters - padded.size(), ' '));
    QByteArray out;
    for (qsizetype i = 0; i < padded.size(); i += 4) {
        uint32_t group = 0;
        for (qsizetype k = 0; k < 4; ++k) group = group << 6 | (uint8_t(padded[i + k]) & 0x3F);
        out.append(static_cast<char>(group >> 16));
        out.append(static_cast<char>(group >> 8));
        out.append(static_cast<char>(group));
    }
    return out;
}

QByteArray unpackAscii(const QByteArray& packed)
{
    QByteArray text;
    for (qsizetype i = 0; i + 3 <= packed.size(); i += 3) {
        const uint32_t group = uint32_t(uint8_t(packed[i])) << 16 | uint32_t(uint8_t(packed[i + 1])) << 8 |
                               uint8_t(packed[i + 2]);
        for (int shift = 18; shift >= 0; shift -= 6) {
            const uint8_t code = (group >> shift) & 0x3F;
            // Codes 0x20 and up are themselves; below, bit 6 is implied.
            text.append(static_cast<char>(code < 0x20 ? code | 0x40 : code));
        }
    }
    while (text.endsWith(' ')) text.chop(1);
    return text;
}

bool packable(const QByteArray& text, char* bad)
{
    for (char c : text) {
        const char upper = (c >= 'a' && c <= 'z') ? char(c - 32) : c;
        if (upper < 0x20 || upper > 0x5F) {
            if (bad) *bad = c;
            return false;
        }
    }
    return true;
}
