#include "pages/hart/HartCodec.h"

#include "pages/hart/HartReply.h"
#include "pages/hart/UnitTable.h"
#include "tools/FloatText.h"

namespace HartCodec {

namespace {

QByteArray framed(int preambles, const QByteArray& body)
{
    uint8_t sum = 0;
    for (const char b : body) sum ^= static_cast<uint8_t>(b);
    return QByteArray(preambles + 1, char(0xFF)) + body + char(sum);
}

QByteArray frameBody(uint8_t command, const QByteArray& data)
{
    return QByteArray(1, char(command)) + char(data.size()) + data;
}

uint8_t at(const QByteArray& bytes, qsizetype i) { return static_cast<uint8_t>(bytes[i]); }

// Replies are looked for in the received text (a chunk's first 255 bytes); their fields are
// read from the whole receive buffer.
constexpr qsizetype kSearched = 255;

// Command 3's four variables: value edit, its mirror on the MODBUS page, unit list.
const char* const kValueEdits[4] = {"Edit25", "Edit26", "Edit27", "Edit30"};
const char* const kValueMirrors[4] = {"HLabel2", "HLabel3", "HLabel4", "HLabel5"};
const char* const kUnitLists[4] = {"ComboBox3", "ComboBox31", "ComboBox32", "ComboBox33"};

QString hexDigits(unsigned value, int digits)
{
    return QStringLiteral("%1").arg(value, digits, 16, QChar(u'0')).toUpper();
}

} // namespace

QByteArray shortFrame(int preambles, uint8_t master, int pollAddress, uint8_t command,
                      const QByteArray& data)
{
    const char address = static_cast<char>(master | (pollAddress & 0x0F));
    return framed(preambles, QByteArray(1, char(0x02)) + address + frameBody(command, data));
}

QByteArray longFrame(int preambles, uint8_t master, const Identity& identity, uint8_t command,
                     const QByteArray& data)
{
    QByteArray body(1, char(0x82));
    body += static_cast<char>(master | identity.manufacturer); // the whole byte is ORed in
    body += static_cast<char>(identity.deviceType);
    for (uint8_t b : identity.id) body += static_cast<char>(b);
    return framed(preambles, body + frameBody(command, data));
}

QByteArray typedFrame(int preambles, const QByteArray& typed) { return framed(preambles, typed); }

qsizetype findReply(const QByteArray& chunk, uint8_t delimiter)
{
    for (qsizetype i = 0; i + 5 <= chunk.size(); ++i)
        if (at(chunk, i) == 0xFF && at(chunk, i + 1) == delimiter) return i;
    return -1;
}

IdentityReply decodeIdentity(const QByteArray& chunk, int keptPollAddress)
{
    IdentityReply out;
    auto& u = out.decoded.updates;
    const qsizetype i = findReply(chunk.left(kSearched), 0x06);
    if (i < 0) {
        for (const char* edit : {"Edit28", "Edit29", "Edit31", "Edit32"})
            u.push_back(FieldUpdate::edit(edit, {}));
        return out;
    }
    // Fields past the chunk's end are shown empty.
    auto byteAt = [&](qsizetype offset) -> std::optional<uint8_t> {
        if (i + offset >= chunk.size()) return std::nullopt;
        return at(chunk, i + offset);
    };
    auto code = [](std::optional<unsigned> value, int digits) {
        return value ? withDecimal(codeText(*value, digits), *value).toLatin1() : QByteArray();
    };
    // From HART 7 on (revision in data byte 4), data bytes 1 and 2 are one expanded device
    // type and the manufacturer has a code of its own in data bytes 17 and 18.
    const qsizetype data = 7;
    const auto revision = byteAt(data + 4), manufacturer7 = byteAt(data + 18);
    if (revision && *revision >= 7 && manufacturer7) {
        u.push_back(FieldUpdate::edit("Edit28", code(unsigned(*byteAt(data + 17)) << 8 | *manufacturer7, 4)));
        u.push_back(FieldUpdate::edit("Edit29", code(unsigned(*byteAt(data + 1)) << 8 | *byteAt(data + 2), 4)));
    } else {
        u.push_back(FieldUpdate::edit("Edit28", code(byteAt(8), 2)));
        u.push_back(FieldUpdate::edit("Edit29", code(byteAt(9), 2)));
    }
    const auto preambles = byteAt(10); // a count, not a code
    u.push_back(FieldUpdate::edit("Edit31", preambles ? QByteArray::number(*preambles) : QByteArray()));
    u.push_back(FieldUpdate::item("ComboBox27", keptPollAddress));
    if (i + 18 < chunk.size()) {
        Identity id{at(chunk, i + 8), at(chunk, i + 9), {at(chunk, i + 16), at(chunk, i + 17), at(chunk, i + 18)}};
        out.identity = id;
        u.push_back(FieldUpdate::edit("Edit32", withDecimal(idText(id.id), idNumber(id.id)).toLatin1()));
    } else {
        u.push_back(FieldUpdate::edit("Edit32", {}));
    }
    return out;
}

bool answers(const QByteArray& chunk, const QByteArray& request)
{
    const auto asked = HartReply::request(request);
    if (!asked) return true;
    // The answer the decoders would read: the first reply frame of the request's kind.
    const qsizetype i = findReply(chunk.left(kSearched), asked->longAddress ? 0x86 : 0x06);
    if (i < 0) return true;
    const qsizetype command = i + 2 + asked->address.size();
    if (command >= chunk.size()) return false;
    HartReply::Frame header;
    header.address = chunk.mid(i + 2, asked->address.size());
    header.command = at(chunk, command);
    return HartReply::answers(header, *asked);
}

QString valueText(const QByteArray& four, QChar point)
{
    if (at(four, 0) == 0x7F) return QStringLiteral("00000000");
    return fitGeneral(double(singleAt(four, 0)), 9, point);
}

Decoded decodeVariables(const QByteArray& chunk, QChar point)
{
    Decoded out;
    const qsizetype i = findReply(chunk.left(kSearched), 0x86);
    if (i < 0 || i + 8 >= chunk.size()) return out;
    const int count = at(chunk, i + 8);
    // The primary variable always; the others while the byte count covers them.
    int variables = 1;
    if (count > 11)
        for (int k = 0; 5 * k < count - 11 && k < 3; ++k) variables = k + 2;
    for (int v = 0; v < variables; ++v) {
        const qsizetype unit = i + 15 + 5 * v;
        if (unit + 4 >= chunk.size()) break; // the chunk ends before this variable
        const QByteArray text = valueText(chunk.mid(unit + 1, 4), point).toUtf8();
        out.updates.push_back(FieldUpdate::edit(kValueEdits[v], text));
        out.updates.push_back(FieldUpdate::edit(kValueMirrors[v], text));
        out.updates.push_back(FieldUpdate::item(kUnitLists[v], unitItemIndex(at(chunk, unit))));
    }
    return out;
}

Decoded blankVariables()
{
    Decoded out;
    for (int v = 0; v < 4; ++v) {
        out.updates.push_back(FieldUpdate::edit(kValueEdits[v], {}));
        out.updates.push_back(FieldUpdate::edit(kValueMirrors[v], {}));
    }
    return out;
}

QString codeText(unsigned value, int digits) { return QStringLiteral("0x") + hexDigits(value, digits); }

QString idText(const std::array<uint8_t, 3>& id) { return hexDigits(idNumber(id), 6); }

uint32_t idNumber(const std::array<uint8_t, 3>& id) { return uint32_t(id[0]) << 16 | uint32_t(id[1]) << 8 | id[2]; }

QString withDecimal(const QString& hex, unsigned value) { return QStringLiteral("%1 (%2)").arg(hex).arg(value); }

} // namespace HartCodec
