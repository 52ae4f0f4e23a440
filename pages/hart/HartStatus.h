#pragma once

#include <QString>
#include <QStringList>
#include <cstdint>

// The two status bytes of a HART reply, in words. The first byte is either a report of
// communication errors (bit 7 set: the instrument heard the request garbled and did not
// act on it) or the command's response code; the second is the field device status.
namespace HartStatus {

enum class Severity { Ok, Warning, Error };

// What one response code means for one command.
struct Meaning {
    QString text; // "success", "configuration changed", "response code 12"
    Severity severity = Severity::Ok;
};

// The words for each communication error bit set in a first byte with bit 7 set; bits
// without a meaning are named by their value ("bit 0x04").
QStringList communicationErrors(uint8_t first);
// A response code read by the pair (command, code): the command's own meaning where it
// has one, the common meaning otherwise, else "response code N".
Meaning responseCode(uint8_t command, uint8_t code);
// The words for each field device status bit set, most significant first.
QStringList deviceStatus(uint8_t second);

struct Status {
    uint8_t command = 0;
    uint8_t first = 0;
    uint8_t second = 0;

    bool communicationError() const { return first & 0x80; }
    // A communication error or a response code that is an error: the instrument sent no
    // data worth reading.
    bool refused() const;
    // The worse of the two bytes: a communication error, an error code or a device
    // malfunction is an error; a warning code or any other device status bit a warning.
    Severity severity() const;
    // One line: "success", "warning; configuration changed, loop current fixed",
    // "communication error: framing, overrun".
    QString summary() const;
    // Both bytes in hex and what each bit or code means, one item a line.
    QString details() const;
};

} // namespace HartStatus
