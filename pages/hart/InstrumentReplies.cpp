#include "pages/hart/InstrumentReplies.h"

#include "tools/FloatText.h"

#include <algorithm>

namespace InstrumentReplies {

namespace {

// Opens a reply for reading: its data, or nothing with the reason in `reading`.
std::optional<QByteArray> open(const HartReply::Frame& reply, uint8_t command, Reading& reading)
{
    const HartStatus::Status status = reply.status();
    if (reply.command != command)
        reading.refused = QStringLiteral("a reply to command %1, not %2").arg(reply.command).arg(command);
    else if (!reply.whole)
        reading.refused = QStringLiteral("the reply stopped before its checksum");
    else if (!reply.checksumOk)
        reading.refused = QStringLiteral("the reply's checksum does not match");
    else if (!reply.hasStatus())
        reading.refused = QStringLiteral("the reply has no status bytes");
    else if (status.communicationError())
        reading.refused = status.summary().section(u';', 0, 0);
    else if (status.refused())
        reading.refused = QStringLiteral("response code %1: %2")
                              .arg(status.first)
                              .arg(HartStatus::responseCode(command, status.first).text);
    if (!reading.read()) return std::nullopt;
    return reply.data();
}

// Reads fields at their offsets; a field the data stops before is named in `missing`.
class Fields {
public:
    Fields(const QByteArray& data, QStringList& missing) : m_data(data), m_missing(missing) {}

    bool fits(qsizetype at, qsizetype size) const { return at + size <= m_data.size(); }
    bool has(qsizetype at, qsizetype size, const char* name)
    {
        if (fits(at, size)) return true;
        m_missing << QString::fromLatin1(name);
        return false;
    }
    std::optional<uint8_t> byte(qsizetype at, const char* name)
    {
        if (!has(at, 1, name)) return std::nullopt;
        return uint8_t(m_data[at]);
    }
    // An unsigned number of `size` bytes, most significant first.
    std::optional<uint32_t> number(qsizetype at, int size, const char* name)
    {
        if (!has(at, size, name)) return std::nullopt;
        uint32_t n = 0;
        for (int i = 0; i < size; ++i) n = n << 8 | uint8_t(m_data[at + i]);
        return n;
    }
    std::optional<uint16_t> word(qsizetype at, const char* name)
    {
        const auto n = number(at, 2, name);
        return n ? std::optional<uint16_t>(uint16_t(*n)) : std::nullopt;
    }
    std::optional<float> single(qsizetype at, const char* name)
    {
        if (!has(at, 4, name)) return std::nullopt;
        return singleAt(m_data, at);
    }
    std::optional<QString> packed(qsizetype at, int size, const char* name)
    {
        if (!has(at, size, name)) return std::nullopt;
        return HartCommands::unpackAscii(m_data.mid(at, size)).trimmed();
    }
    std::optional<QByteArray> bytes(qsizetype at, int size, const char* name)
    {
        if (!has(at, size, name)) return std::nullopt;
        return m_data.mid(at, size);
    }
    const QByteArray& data() const { return m_data; }

private:
    QByteArray m_data;
    QStringList& m_missing;
};

// A reply to `command` read by `fill` into a Result, or only its reason for refusal.
template <class Result, class Fill>
Result readWith(const HartReply::Frame& reply, uint8_t command, Fill fill)
{
    Result out;
    if (const auto data = open(reply, command, out.reading)) {
        Fields f(*data, out.reading.missing);
        fill(f, out);
    }
    return out;
}

DynamicCodes readCodes(const HartReply::Frame& reply, uint8_t command)
{
    return readWith<DynamicCodes>(reply, command, [&](Fields& f, DynamicCodes& out) {
        static const char* const kRoles[] = {"PV", "SV", "TV", "QV"};
        for (int i = 0; i < 4; ++i) out.codes[i] = f.byte(i, kRoles[i]);
    });
}

} // namespace

QString Reading::summary() const
{
    if (!read()) return refused;
    if (missing.isEmpty()) return {};
    return QStringLiteral("the reply stops before: ") + missing.join(QStringLiteral(", "));
}

Identity readIdentity(const HartReply::Frame& reply)
{
    return readWith<Identity>(reply, 0, [&](Fields& f, Identity& out) {
        out.expansion = f.byte(0, "expansion code");
        const auto codes = f.bytes(1, 2, "manufacturer and device type");
        out.requestPreambles = f.byte(3, "request preambles");
        out.hartRevision = f.byte(4, "HART revision");
        out.deviceRevision = f.byte(5, "device revision");
        out.softwareRevision = f.byte(6, "software revision");
        if (const auto b = f.byte(7, "hardware revision and signaling")) {
            out.hardwareRevision = *b >> 3;
            out.physicalSignaling = *b & 0x07;
        }
        out.flags = f.byte(8, "flags");
        if (f.has(9, 3, "device identifier"))
            out.deviceId = std::array<uint8_t, 3>{uint8_t(f.data()[9]), uint8_t(f.data()[10]),
                                                  uint8_t(f.data()[11])};
        // Bytes 1 and 2 mean different things by revision; before it is known, neither is read,
        // and nothing after the identifier can be missing.
        const int revision = out.hartRevision.value_or(0);
        if (revision >= 6) {
            out.responsePreambles = f.byte(12, "response preambles");
            out.highestDeviceVariable = f.byte(13, "highest device variable");
            out.configChangeCounter = f.word(14, "configuration change counter");
            out.extendedStatus = f.byte(16, "extended device status");
        }
        if (revision >= 7) {
            // Bytes 1 and 2 are one expanded device type; the manufacturer moved to 17 and 18.
            out.deviceType = uint16_t(uint8_t((*codes)[0]) << 8 | uint8_t((*codes)[1]));
            out.manufacturer = f.word(17, "manufacturer");
            out.distributor = f.word(19, "private label distributor");
            out.deviceProfile = f.byte(21, "device profile");
        } else if (out.hartRevision) {
            out.manufacturer = uint8_t((*codes)[0]);
            out.deviceType = uint8_t((*codes)[1]);
        }
        out.basic = HartCommands::identity(reply);
    });
}

LoopConfiguration readLoopConfiguration(const HartReply::Frame& reply)
{
    return readWith<LoopConfiguration>(reply, 7, [&](Fields& f, LoopConfiguration& out) {
        out.pollingAddress = f.byte(0, "polling address");
        out.loopCurrentMode = f.byte(1, "loop current mode");
    });
}

DynamicCodes readClassifications(const HartReply::Frame& reply) { return readCodes(reply, 8); }
DynamicCodes readAssignments(const HartReply::Frame& reply) { return readCodes(reply, 50); }

Text readMessage(const HartReply::Frame& reply)
{
    return readWith<Text>(reply, 12, [&](Fields& f, Text& out) {
        out.text = f.packed(0, 24, "message");
    });
}

Text readLongTag(const HartReply::Frame& reply)
{
    return readWith<Text>(reply, 20, [&](Fields& f, Text& out) {
        if (auto text = f.bytes(0, 32, "long tag")) {
            if (const qsizetype nul = text->indexOf('\0'); nul >= 0) text->truncate(nul);
            out.text = QString::fromLatin1(*text).trimmed();
        }
    });
}

TagDescriptorDate readTagDescriptorDate(const HartReply::Frame& reply)
{
    return readWith<TagDescriptorDate>(reply, 13, [&](Fields& f, TagDescriptorDate& out) {
        out.tag = f.packed(0, 6, "tag");
        out.descriptor = f.packed(6, 12, "descriptor");
        if (const auto d = f.bytes(18, 3, "date"))
            out.date = TagDescriptorDate::Date{uint8_t((*d)[0]), uint8_t((*d)[1]), 1900 + uint8_t((*d)[2])};
    });
}

Transducer readTransducer(const HartReply::Frame& reply)
{
    return readWith<Transducer>(reply, 14, [&](Fields& f, Transducer& out) {
        out.serial = f.number(0, 3, "sensor serial number");
        out.unit = f.byte(3, "limits unit");
        out.upperLimit = f.single(4, "upper sensor limit");
        out.lowerLimit = f.single(8, "lower sensor limit");
        out.minimumSpan = f.single(12, "minimum span");
    });
}

Output readOutput(const HartReply::Frame& reply, int hartRevision)
{
    return readWith<Output>(reply, 15, [&](Fields& f, Output& out) {
        out.alarmSelection = f.byte(0, "alarm selection");
        out.transferFunction = f.byte(1, "transfer function");
        out.rangeUnit = f.byte(2, "range unit");
        out.upperRange = f.single(3, "upper range value");
        out.lowerRange = f.single(7, "lower range value");
        out.damping = f.single(11, "damping");
        out.writeProtect = f.byte(15, "write protect");
        if (hartRevision >= 6) out.analogChannelFlags = f.byte(17, "analog channel flags");
    });
}

FinalAssembly readFinalAssembly(const HartReply::Frame& reply)
{
    return readWith<FinalAssembly>(reply, 16, [&](Fields& f, FinalAssembly& out) {
        out.number = f.number(0, 3, "final assembly number");
    });
}

Variables readVariables(const HartReply::Frame& reply, int asked)
{
    return readWith<Variables>(reply, 33, [&](Fields& f, Variables& out) {
        asked = std::clamp(asked, 0, kVariablesPerRequest); // the command's most
        for (int slot = 0; slot < asked; ++slot) {
            if (!f.fits(slot * 6, 6)) {
                out.reading.missing << QStringLiteral("variable slot %1").arg(slot + 1);
                continue;
            }
            const qsizetype at = slot * 6;
            const QByteArray& d = f.data();
            out.variables.push_back({uint8_t(d[at]), std::nullopt, uint8_t(d[at + 1]), singleAt(d, at + 2),
                                     std::nullopt});
        }
    });
}

Variables readVariablesWithStatus(const HartReply::Frame& reply, int asked, int hartRevision)
{
    return readWith<Variables>(reply, 9, [&](Fields& f, Variables& out) {
        out.extendedStatus = f.byte(0, "extended device status");
        asked = std::clamp(asked, 0, 8); // the command's most
        for (int slot = 0; slot < asked; ++slot) {
            const qsizetype at = 1 + slot * 8;
            if (!f.fits(at, 8)) {
                out.reading.missing << QStringLiteral("variable slot %1").arg(slot + 1);
                continue;
            }
            const QByteArray& d = f.data();
            out.variables.push_back(
                {uint8_t(d[at]), uint8_t(d[at + 1]), uint8_t(d[at + 2]), singleAt(d, at + 3), uint8_t(d[at + 7])});
        }
        if (hartRevision >= 7) out.timeStamp = f.number(1 + asked * 8, 4, "time stamp");
    });
}

std::vector<QByteArray> variableRequests(const std::vector<uint8_t>& codes)
{
    std::vector<QByteArray> requests;
    for (size_t i = 0; i < codes.size(); i += kVariablesPerRequest) {
        QByteArray data;
        for (size_t j = i; j < codes.size() && j < i + kVariablesPerRequest; ++j) data += char(codes[j]);
        requests.push_back(data);
    }
    return requests;
}

AdditionalStatus readAdditionalStatus(const HartReply::Frame& reply, int hartRevision)
{
    return readWith<AdditionalStatus>(reply, 48, [&](Fields& f, AdditionalStatus& out) {
        out.deviceSpecific = f.bytes(0, 6, "device-specific status");
        if (hartRevision >= 6) {
            out.extendedStatus = f.byte(6, "extended device status");
            out.operatingMode = f.byte(7, "operating mode");
            out.standardized0 = f.byte(8, "standardized status 0");
            out.standardized1 = f.byte(9, "standardized status 1");
            out.analogSaturated = f.byte(10, "analog channel saturated");
            out.standardized2 = f.byte(11, "standardized status 2");
            out.standardized3 = f.byte(12, "standardized status 3");
            out.analogFixed = f.byte(13, "analog channel fixed");
        } else {
            out.hart5Bytes = f.data().mid(6, 8);
        }
        out.moreDeviceSpecific = f.data().mid(14, 11);
    });
}

} // namespace InstrumentReplies
