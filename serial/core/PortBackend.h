#pragma once

#include "serial/core/LineSettings.h"
#include "serial/core/Notice.h"

#include <cstdint>
#include <memory>
#include <string>

// One open port as a platform drives it: termios on POSIX systems (posix/), overlapped I/O
// on Windows (win32/). The build compiles exactly one of them; SerialPort sees only this.
class PortBackend {
public:
    // Stops both threads and closes the port; once it returns, nothing more is posted.
    virtual ~PortBackend() = default;

    // False when the driver refuses the settings; the port keeps what it had.
    virtual bool applyLine(const LineSettings& line) = 0;
    virtual void applyTimeouts(const CommTimeouts& timeouts) = 0;
    // Starts the receive and the transmit thread; throws ECommsError.
    virtual void start() = 0;
    // Queues a copy for the transmit thread; false when it cannot take it.
    virtual bool send(std::unique_ptr<uint8_t[]> copy, uint16_t count) = 0;
};

// Opens the device a port name stands for, for this program alone, and discards whatever
// its queues held. Nothing is applied and no thread runs yet. Throws ECommsError.
std::unique_ptr<PortBackend> openPortBackend(const std::string& commName, bool watchModemLines,
                                             PostToOwner post);
