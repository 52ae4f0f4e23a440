#include "pages/hart/InstrumentWrites.h"

#include "tools/FloatText.h"

#include <bit>
#include <cmath>

namespace InstrumentWrites {
namespace {

Request refuse(uint8_t command, const QString& why) { return {command, {}, why}; }

void appendSingle(QByteArray& out, float value)
{
    const uint32_t bits = std::bit_cast<uint32_t>(value);
    for (int shift = 24; shift >= 0; shift -= 8) out.append(char(bits >> shift));
}

// What a number looks like in a message: the fewest digits of the single sent.
QString shown(float value) { return shortestSingle(value); }

} // namespace

Request packed(const QString& text, int characters, const char* what)
{
    const QString upper = text.toUpper();
    if (upper.size() > characters)
        return refuse(0, QStringLiteral("the %1 holds at most %2 characters, not %3")
                             .arg(QLatin1String(what))
                             .arg(characters)
                             .arg(upper.size()));
    QByteArray out;
    uint32_t group = 0;
    for (int i = 0; i < characters; ++i) {
        const char16_t c = i < upper.size() ? upper[i].unicode() : u' ';
        // Six bits hold ' ' to '_': 0x40-0x5F as 0x00-0x1F, 0x20-0x3F as themselves.
        if (c < 0x20 || c > 0x5F)
            return refuse(0, QStringLiteral("the %1 cannot hold '%2': packed ASCII has upper-case letters, digits, "
                                            "blanks and the signs !\"#$%&'()*+,-./:;<=>?@[\\]^_")
                                 .arg(QLatin1String(what), c < 0x20 ? QStringLiteral("\\x%1").arg(int(c), 2, 16, QChar(u'0'))
                                                                    : QString(QChar(c))));
        group = group << 6 | (c & 0x3F);
        if (i % 4 == 3) {
            out.append(char(group >> 16));
            out.append(char(group >> 8));
            out.append(char(group));
            group = 0;
        }
    }
    return {0, out, {}};
}

Request pollingAddress(int address, bool loopCurrentEnabled)
{
    if (address < 0 || address > 63) return refuse(6, QStringLiteral("a polling address is 0 to 63, not %1").arg(address));
    QByteArray data;
    data.append(char(address));
    data.append(char(loopCurrentEnabled ? 1 : 0));
    return {6, data, {}};
}

Request message(const QString& text)
{
    Request r = packed(text, 32, "message");
    r.command = 17;
    return r;
}

Request tagDescriptorDate(const QString& tag, const QString& descriptor, const QDate& date)
{
    const Request t = packed(tag, 8, "tag"), d = packed(descriptor, 16, "descriptor");
    if (!t.ok()) return refuse(18, t.refused);
    if (!d.ok()) return refuse(18, d.refused);
    if (!date.isValid() || date.year() < 1900 || date.year() > 1900 + 255)
        return refuse(18, QStringLiteral("the date must be a day from 1900-01-01 to 2155-12-31"));
    QByteArray data = t.data + d.data;
    data.append(char(date.day()));
    data.append(char(date.month()));
    data.append(char(date.year() - 1900));
    return {18, data, {}};
}

Request longTag(const QString& text)
{
    if (text.size() > 32) return refuse(22, QStringLiteral("the long tag holds at most 32 characters, not %1").arg(text.size()));
    for (const QChar c : text)
        if (c.unicode() > 0xFF || c.unicode() < 0x20 || (c.unicode() >= 0x7F && c.unicode() < 0xA0))
            return refuse(22, QStringLiteral("the long tag cannot hold '%1': it takes printable ISO Latin-1 characters")
                                  .arg(c.unicode() < 0x20 ? QStringLiteral("\\x%1").arg(int(c.unicode()), 2, 16, QChar(u'0'))
                                                          : QString(c)));
    QByteArray data = text.toLatin1();
    data.append(QByteArray(32 - data.size(), '\0'));
    return {22, data, {}};
}

Request damping(float seconds)
{
    if (!std::isfinite(seconds) || seconds < 0)
        return refuse(34, QStringLiteral("the damping is seconds from 0, not %1").arg(shown(seconds)));
    QByteArray data;
    appendSingle(data, seconds);
    return {34, data, {}};
}

Request range(uint8_t unit, float lower, float upper, const std::optional<SensorLimits>& sensor)
{
    if (!std::isfinite(lower) || !std::isfinite(upper))
        return refuse(35, QStringLiteral("the range's values must be numbers"));
    if (!(upper > lower))
        return refuse(35, QStringLiteral("the upper range value (%1) must be above the lower one (%2)")
                              .arg(shown(upper), shown(lower)));
    if (sensor && sensor->unit == unit) {
        if (lower < sensor->lower || upper > sensor->upper)
            return refuse(35, QStringLiteral("the range %1 to %2 lies outside the sensor's limits, %3 to %4")
                                  .arg(shown(lower), shown(upper), shown(sensor->lower), shown(sensor->upper)));
        if (upper - lower < sensor->minimumSpan)
            return refuse(35, QStringLiteral("the span %1 is narrower than the sensor's least span, %2")
                                  .arg(shown(upper - lower), shown(sensor->minimumSpan)));
    }
    QByteArray data(1, char(unit));
    appendSingle(data, upper);
    appendSingle(data, lower);
    return {35, data, {}};
}

Request pvUnit(uint8_t unit) { return {44, QByteArray(1, char(unit)), {}}; }

Request transferFunction(uint8_t code) { return {47, QByteArray(1, char(code)), {}}; }

Request resetChangedFlag(std::optional<uint16_t> counter)
{
    if (!counter) return {38, {}, {}};
    QByteArray data;
    data.append(char(*counter >> 8));
    data.append(char(*counter));
    return {38, data, {}};
}

Request fixedCurrent(float milliamps)
{
    // 0 leaves fixed current mode; otherwise what a 4-20 mA loop can carry, alarm levels included.
    if (!std::isfinite(milliamps) || (milliamps != 0 && (milliamps < 3.0f || milliamps > 24.0f)))
        return refuse(40, QStringLiteral("a fixed loop current is 3 to 24 mA, or 0 to leave fixed current mode; not %1")
                              .arg(shown(milliamps)));
    QByteArray data;
    appendSingle(data, milliamps);
    return {40, data, {}};
}

} // namespace InstrumentWrites
