#pragma once

#include "serial/core/LineSettings.h"

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
