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
    bool markErrors = false; // bytes received with an error are marked (PARMRK)
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

// The driver's own RS-485 direction control (RTS raised around each transmission). It is
// touched only when asked for, and put back as it was found afterwards, so the RS-485
// configuration an embedded UART was given by the system stays as it is otherwise.
class DriverRtsToggle {
public:
    // Switches the driver's toggle on; false where the driver has no RS-485 mode.
    bool enable(int fd);
    // Puts back what enable() found; does nothing when enable() changed nothing.
    void restore(int fd);

private:
    bool changed_ = false;
    alignas(8) unsigned char saved_[32]; // the driver's struct serial_rs485 as found
};

bool readPortLine(int fd, PortLine& out);
