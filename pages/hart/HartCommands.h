#pragma once

#include "pages/hart/HartCodec.h"
#include "pages/hart/HartReply.h"
#include "pages/hart/HartStatus.h"

#include <QString>
#include <array>
#include <cstdint>
#include <optional>
#include <vector>

// The data of the universal commands the tool reads beyond the page's own decoders:
// identity (0), dynamic variables (3), tag (13) and long tag (20). Each reader takes a
// reply frame of its command and reads nothing from a reply that reports a communication
// error or carries only its status bytes.
namespace HartCommands {

// Command 0's answer.
struct Identity {
    uint16_t manufacturer = 0; // 8 bits before HART 7; HART 7's 16-bit code where sent
    uint16_t deviceType = 0;   // 8 bits before HART 7; the expanded device type from HART 7
    uint8_t requestPreambles = 0;
    uint8_t revision = 0; // the HART revision the instrument speaks (5, 6, 7)
    uint8_t deviceRevision = 0;
    std::array<uint8_t, 3> id{};
    HartCodec::Identity longAddress; // bytes 1 and 2 and the identifier, as the long frame takes them

    // The device identifier as six hex digits: "00A1B2".
    QString idText() const;
    // Manufacturer and device type as hex, four digits from HART 7 on: "0x26", "0xE1A5".
    QString manufacturerText() const;
    QString deviceTypeText() const;
};
std::optional<Identity> identity(const HartReply::Frame& reply);

// Command 13's tag (8 packed characters) and command 20's long tag (32 Latin-1
// characters), padding trimmed.
std::optional<QString> tag(const HartReply::Frame& reply);
std::optional<QString> longTag(const HartReply::Frame& reply);

// Six-bit packed characters, four in every three bytes.
QString unpackAscii(const QByteArray& packed);

// Command 3's answer: loop current (mA) and the dynamic variables the byte count covers
// (primary, secondary, tertiary, quaternary), each with its unit code.
struct DynamicVariables {
    struct Variable {
        uint8_t unit = 0;
        float value = 0;
    };
    HartStatus::Status status;
    std::optional<float> loopCurrent;
    std::vector<Variable> variables;
};
// Reads the first whole reply to command 3 in `reply` (what arrived for the request);
// absent when there is none. A reply with a communication error or only status bytes
// gives the status alone.
std::optional<DynamicVariables> dynamicVariables(const QByteArray& reply);

} // namespace HartCommands
