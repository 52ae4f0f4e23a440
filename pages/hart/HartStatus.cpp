#include "pages/hart/HartStatus.h"

#include <algorithm>
#include <array>

namespace HartStatus {

namespace {

// The meanings below follow the HART protocol's common tables: the communication error
// bits, the response codes shared by every command (with the few commands whose own
// meanings this tool sends or shows), the classes of warning codes, and the field device
// status bits.

struct Bit {
    uint8_t mask;
    const char* text;
};

constexpr std::array<Bit, 5> kCommunicationErrors{{
    {0x40, "vertical parity"},
    {0x20, "overrun"},
    {0x10, "framing"},
    {0x08, "longitudinal parity"},
    {0x02, "buffer overflow"},
}};

constexpr std::array<Bit, 8> kDeviceStatus{{
    {0x80, "device malfunction"},
    {0x40, "configuration changed"},
    {0x20, "cold start"},
    {0x10, "more status available"},
    {0x08, "loop current fixed"},
    {0x04, "loop current saturated"},
    {0x02, "non-primary variable out of limits"},
    {0x01, "primary variable out of limits"},
}};

struct Code {
    uint8_t code;
    const char* text;
};

constexpr std::array<Code, 11> kCommonCodes{{
    {0, "success"},
    {2, "invalid selection"},
    {3, "parameter too large"},
    {4, "parameter too small"},
    {5, "too few data bytes"},
    {6, "device-specific command error"},
    {7, "in write-protect mode"},
    {8, "warning"},
    {16, "access restricted"},
    {32, "busy"},
    {64, "command not implemented"},
}};

struct CommandCode {
    uint8_t command;
    uint8_t code;
    const char* text;
};

// Where a command gives a code a meaning of its own.
constexpr CommandCode kCommandCodes[] = {
    {1, 8, "update failure"},
    {2, 8, "update failure"},
    {3, 8, "update failure"},
    {6, 2, "invalid polling address"},
    {6, 12, "invalid mode selection"},
    {18, 9, "invalid date"},
    {34, 8, "set to nearest possible value"},
    {35, 9, "lower range value too high"},
    {35, 10, "lower range value too low"},
    {35, 11, "upper range value too high"},
    {35, 12, "upper range value too low"},
    {35, 13, "upper and lower range values out of limits"},
    {35, 14, "span too small"},
    {35, 29, "invalid span"},
    {38, 9, "configuration change counter mismatch"},
    {40, 8, "set to nearest possible value"},
    {40, 11, "loop current not active (multidrop mode)"},
    {48, 8, "update in progress"},
    {48, 14, "status bytes mismatch"},
};

// Codes that report a warning (the command was carried out); every other code but 0 is
// an error.
bool isWarningCode(uint8_t code)
{
    return code == 8 || code == 14 || (code >= 24 && code <= 27) || code == 30 || code == 31 ||
           (code >= 96 && code <= 127);
}

QString hexByte(uint8_t b) { return QStringLiteral("0x") + QStringLiteral("%1").arg(b, 2, 16, QChar(u'0')).toUpper(); }

template <size_t N> QStringList bitsOf(uint8_t value, const std::array<Bit, N>& table, uint8_t known)
{
    QStringList words;
    for (uint8_t mask = 0x80; mask; mask >>= 1) {
        if (!(value & mask)) continue;
        const auto bit = std::find_if(table.begin(), table.end(), [mask](const Bit& b) { return b.mask == mask; });
        if (bit != table.end())
            words << QString::fromLatin1(bit->text);
        else if (known & mask)
            continue;
        else
            words << QStringLiteral("bit %1").arg(hexByte(mask));
    }
    return words;
}

QString severityWord(Severity s)
{
    switch (s) {
    case Severity::Ok: return {};
    case Severity::Warning: return QStringLiteral(" (a warning)");
    case Severity::Error: return QStringLiteral(" (an error)");
    }
    return {};
}

} // namespace

QStringList communicationErrors(uint8_t first)
{
    return bitsOf(first, kCommunicationErrors, 0x80); // bit 7 only says what the byte is
}

Meaning responseCode(uint8_t command, uint8_t code)
{
    const Severity severity = code == 0 ? Severity::Ok : isWarningCode(code) ? Severity::Warning : Severity::Error;
    for (const CommandCode& c : kCommandCodes)
        if (c.command == command && c.code == code) return {QString::fromLatin1(c.text), severity};
    for (const Code& c : kCommonCodes)
        if (c.code == code) return {QString::fromLatin1(c.text), severity};
    return {QStringLiteral("response code %1").arg(code), severity};
}

QStringList deviceStatus(uint8_t second) { return bitsOf(second, kDeviceStatus, 0); }

bool Status::refused() const
{
    return communicationError() || responseCode(command, first).severity == Severity::Error;
}

Severity Status::severity() const
{
    if (communicationError() || (second & 0x80)) return Severity::Error;
    const Severity code = responseCode(command, first).severity;
    if (code != Severity::Ok) return code;
    return second ? Severity::Warning : Severity::Ok;
}

QString Status::summary() const
{
    QString text = communicationError()
                       ? QStringLiteral("communication error: ") + communicationErrors(first).join(QStringLiteral(", "))
                       : responseCode(command, first).text;
    if (second) text += QStringLiteral("; ") + deviceStatus(second).join(QStringLiteral(", "));
    return text;
}

QString Status::details() const
{
    QStringList lines;
    if (communicationError()) {
        lines << QStringLiteral("Communication error %1: the instrument heard the request garbled and did "
                                "not act on it; the reply carries no data.")
                     .arg(hexByte(first));
        for (const QString& e : communicationErrors(first)) lines << QStringLiteral("  ") + e;
    } else {
        const Meaning m = responseCode(command, first);
        lines << QStringLiteral("Response code %1 to command %2: %3%4")
                     .arg(first)
                     .arg(command)
                     .arg(m.text, severityWord(m.severity));
    }
    if (!second) {
        lines << QStringLiteral("Field device status 0x00: no bit set.");
    } else {
        lines << QStringLiteral("Field device status %1:").arg(hexByte(second));
        for (const QString& s : deviceStatus(second)) lines << QStringLiteral("  ") + s;
    }
    return lines.join(u'\n');
}

} // namespace HartStatus
