#include "sim/InstrumentSwitches.h"

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <vector>

namespace InstrumentSwitches {

namespace {

bool digits(const std::string& t, bool hex)
{
    return !t.empty() && t.size() <= 2 && std::all_of(t.begin(), t.end(), [hex](char c) {
               return hex ? std::isxdigit(uint8_t(c)) != 0 : std::isdigit(uint8_t(c)) != 0;
           });
}

// The instrument at a polling address written as 0 to 63, or why there is none.
HartInstrument* instrumentAt(HartLoop& loop, const std::string& address, std::string& why)
{
    if (!digits(address, false) || std::stoi(address) > 63) {
        why = "'" + address + "' is no polling address (0 to 63)";
        return nullptr;
    }
    HartInstrument* device = loop.at(std::stoi(address));
    if (!device) why = "no instrument at polling address " + address;
    return device;
}

std::vector<std::string> split(const std::string& value, size_t parts)
{
    std::vector<std::string> out;
    size_t from = 0;
    while (out.size() + 1 < parts) {
        const size_t colon = value.find(':', from);
        if (colon == std::string::npos) break;
        out.push_back(value.substr(from, colon - from));
        from = colon + 1;
    }
    out.push_back(value.substr(from));
    return out;
}

} // namespace

std::string setDiagnostic(HartLoop& loop, const std::string& value)
{
    const auto parts = split(value, 3);
    const std::string usage = "--diag needs ADDR:BYTE:HEX, such as 5:8:20, not '" + value + "'";
    if (parts.size() != 3 || !digits(parts[1], false) || !digits(parts[2], true)) return usage;
    std::string why;
    HartInstrument* device = instrumentAt(loop, parts[0], why);
    if (!device) return "--diag: " + why;
    const int byte = std::stoi(parts[1]), last = device->revision >= 6 ? 24 : 13;
    if (byte > last)
        return "--diag: command 48 of the HART " + std::to_string(device->revision) + " instrument at " +
               parts[0] + " has bytes 0 to " + std::to_string(last) + ", not " + parts[1];
    if (device->additionalStatus.size() <= byte) device->additionalStatus.resize(byte + 1, '\0');
    device->additionalStatus[byte] = static_cast<char>(std::stoi(parts[2], nullptr, 16));
    return {};
}

std::string setTag(HartLoop& loop, const std::string& value)
{
    const auto parts = split(value, 2);
    if (parts.size() != 2) return "--tag needs ADDR:TEXT, such as 1:PT-202, not '" + value + "'";
    std::string why;
    HartInstrument* device = instrumentAt(loop, parts[0], why);
    if (!device) return "--tag: " + why;
    const QByteArray text = QByteArray::fromStdString(parts[1]);
    if (text.size() > 8) return "--tag: a tag has at most 8 characters, not " + std::to_string(text.size());
    char bad = 0;
    if (!packable(text, &bad)) {
        char shown[16];
        std::snprintf(shown, sizeof shown, bad > 0x20 && bad < 0x7F ? "'%c'" : "byte 0x%02X",
                      bad > 0x20 && bad < 0x7F ? bad : uint8_t(bad));
        return std::string("--tag: a tag cannot carry ") + shown +
               " (letters, digits, blanks and the ASCII signs up to '_' only)";
    }
    device->tag = text.toUpper();
    return {};
}

std::string setBusy(HartLoop& loop, const std::string& value)
{
    const auto parts = split(value, 2);
    const std::string& n = parts.back();
    if (parts.size() != 2 || n.empty() || n.size() > 4 || !std::all_of(n.begin(), n.end(), ::isdigit) ||
        std::stoi(n) > 1000)
        return "--busy needs ADDR:N with N from 0 to 1000, such as 5:2, not '" + value + "'";
    std::string why;
    HartInstrument* device = instrumentAt(loop, parts[0], why);
    if (!device) return "--busy: " + why;
    device->busyWrites = std::stoi(n);
    return {};
}

} // namespace InstrumentSwitches
