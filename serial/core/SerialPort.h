#pragma once

#include "serial/core/LineSettings.h"
#include "serial/core/Notice.h"

#include <cstdint>
#include <memory>
#include <string>

class PortBackend;

// The serial component without any toolkit: opens a port by name, applies line settings
// and timeouts, runs a receive and a transmit thread while open, and hands what happens on
// the line to its owner through the post function it was made with. Every call but post's
// comes from one thread, the owner's.
class SerialPort {
public:
    explicit SerialPort(PostToOwner post);
    ~SerialPort(); // closes an open port first, so no thread outlives the object
    SerialPort(const SerialPort&) = delete;
    SerialPort& operator=(const SerialPort&) = delete;

    // Opens, applies the timeouts and then the line, and starts both threads; throws
    // ECommsError and stays closed when any step fails. Modem-line changes are watched
    // only when asked for.
    void open(const std::string& commName, const LineSettings& line,
              const CommTimeouts& timeouts, bool watchModemLines);
    // Stops both threads and closes the port; queued writes are dropped and nothing is
    // posted after it returns. Does nothing when closed.
    void close();
    bool isOpen() const { return backend_ != nullptr; }

    // Queues a copy of the bytes (with a zero byte after them); false when closed, for no
    // bytes, or when the transmit thread cannot take it. Never waits for the line.
    bool send(const void* data, uint16_t size);

    // Re-apply while open; do nothing while closed.
    void applyLine(const LineSettings& line);
    void applyTimeouts(const CommTimeouts& timeouts);
    // The settings the driver last accepted.
    const LineSettings& appliedLine() const { return applied_; }

private:
    PostToOwner post_;
    std::unique_ptr<PortBackend> backend_;
    LineSettings applied_;
};
