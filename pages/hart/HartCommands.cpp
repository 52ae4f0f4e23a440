#include "pages/hart/HartCommands.h"

#include "tools/FloatText.h"

namespace HartCommands {

namespace {

uint8_t at(const QByteArray& bytes, qsizetype i) { return static_cast<uint8_t>(bytes[i]); }

// The data of a reply to `command` that carries any: no communication error, no response
// code that is an error (an instrument that refuses a command sends no data worth
// reading), more than the status bytes.
std::optional<QByteArray> dataOf(const HartReply::Frame& reply, uint8_t command)
{
    if (reply.command != command || !reply.hasStatus() || reply.status().refused()) return std::nullopt;
    return reply.data();
}

} // namespace

QString Identity::idText() const { return HartCodec::idText(id); }

QString Identity::manufacturerText() const { return HartCodec::codeText(manufacturer, revision >= 7 ? 4 : 2); }

QString Identity::deviceTypeText() const { return HartCodec::codeText(deviceType, revision >= 7 ? 4 : 2); }

std::optional<Identity> identity(const HartReply::Frame& reply)
{
    const auto data = dataOf(reply, 0);
    if (!data || data->size() < 12) return std::nullopt;
    const QByteArray& d = *data;
    Identity i;
    i.requestPreambles = at(d, 3);
    i.revision = at(d, 4);
    i.deviceRevision = at(d, 5);
    i.id = {at(d, 9), at(d, 10), at(d, 11)};
    i.longAddress = {at(d, 1), at(d, 2), i.id};
    if (i.revision >= 7 && d.size() >= 19) {
        // Bytes 1 and 2 are one expanded device type; the manufacturer moved to 17 and 18.
        i.deviceType = uint16_t(at(d, 1) << 8 | at(d, 2));
        i.manufacturer = uint16_t(at(d, 17) << 8 | at(d, 18));
    } else {
        i.manufacturer = at(d, 1);
        i.deviceType = at(d, 2);
    }
    return i;
}

QString unpackAscii(const QByteArray& packed)
{
    QString text;
    for (qsizetype i = 0; i + 2 < packed.size(); i += 3) {
        const uint32_t group = uint32_t(at(packed, i)) << 16 | uint32_t(at(packed, i + 1)) << 8 | at(packed, i + 2);
        for (int shift = 18; shift >= 0; shift -= 6) {
            const uint8_t six = (group >> shift) & 0x3F;
            // 0x00-0x1F stand for '@' to '_', 0x20-0x3F for ' ' to '?'.
            text += QChar(six < 0x20 ? six + 0x40 : six);
        }
    }
    return text;
}

std::optional<QString> tag(const HartReply::Frame& reply)
{
    const auto data = dataOf(reply, 13);
    if (!data || data->size() < 6) return std::nullopt;
    return unpackAscii(data->left(6)).trimmed();
}

std::optional<QString> longTag(const HartReply::Frame& reply)
{
    const auto data = dataOf(reply, 20);
    if (!data || data->size() < 32) return std::nullopt;
    QByteArray text = data->left(32);
    if (const qsizetype nul = text.indexOf('\0'); nul >= 0) text.truncate(nul);
    return QString::fromLatin1(text).trimmed();
}

std::optional<DynamicVariables> dynamicVariables(const QByteArray& bytes)
{
    const auto reply = HartReply::read(bytes);
    if (!reply || !reply->whole || !reply->checksumOk || reply->command != 3 || !reply->hasStatus())
        return std::nullopt;
    DynamicVariables out;
    out.status = reply->status();
    const auto data = dataOf(*reply, 3);
    if (!data || data->size() < 4) return out;
    out.loopCurrent = singleAt(*data, 0);
    for (qsizetype v = 4; v + 5 <= data->size() && out.variables.size() < 4; v += 5)
        out.variables.push_back({at(*data, v), singleAt(*data, v + 1)});
    return out;
}

} // namespace HartCommands
