#pragma once

#include <cstdint>

enum class TDtrControl { DtrEnable, DtrDisable, DtrHandshake };
enum class TRtsControl { RtsEnable, RtsDisable, RtsHandshake, RtsTransmissionAvailable };
enum class TByteSize { _5, _6, _7, _8 };
enum class TParity { None, Odd, Even, Mark, Space };
enum class TStopBits { _1, _1_5, _2 };

// Everything that shapes the line, as the component's properties hold it.
struct LineSettings {
    uint32_t baudRate = 9600;
    bool parityCheck = false;
    bool outxCtsFlow = false;
    bool outxDsrFlow = false;
    TDtrControl dtrControl = TDtrControl::DtrEnable;
    bool dsrSensitivity = false;
    bool txContinueOnXoff = true;
    bool outxXonXoffFlow = true;
    bool inxXonXoffFlow = true;
    bool replaceWhenParityError = false;
    bool ignoreNullChar = false;
    TRtsControl rtsControl = TRtsControl::RtsEnable;
    uint16_t xonLimit = 500;
    uint16_t xoffLimit = 500;
    TByteSize byteSize = TByteSize::_8;
    TParity parity = TParity::None;
    TStopBits stopBits = TStopBits::_1;
    char xonChar = 17;
    char xoffChar = 19;
    char replacedChar = 0;

    bool operator==(const LineSettings&) const = default;
};

// What a terminal's driver currently holds, read back from either side of a pseudo-terminal.
struct PortLine {
    uint32_t baudRate = 0;
    int dataBits = 8;
    TParity parity = TParity::None;
    int stopBits = 1;
    bool rtsCts = false;
    bool xonXoffOut = false; // obey X-on/X-off from the other side
    bool xonXoffIn = false;  // send X-on/X-off ourselves
    bool parityCheck = false;
};

// Puts the line into raw mode with the given settings. Returns false, leaving the
// terminal as it was, when the driver refuses them. Any integer speed is accepted.
bool applyLineSettings(int fd, const LineSettings& settings);

// Raises or drops DTR and RTS as the controls say. Drivers without modem lines
// (pseudo-terminals) refuse these requests; that is not an error.
void applyModemLines(int fd, const LineSettings& settings);

// Asks the driver to drive RTS itself around each transmission (RS-485 mode).
// Returns false where the driver has no such mode.
bool setDriverRtsToggle(int fd, bool on);

bool readPortLine(int fd, PortLine& out);
