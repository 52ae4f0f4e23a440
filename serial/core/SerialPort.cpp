#include "serial/core/SerialPort.h"

#include "serial/core/CommsError.h"
#include "serial/core/PortBackend.h"

SerialPort::SerialPort(PostToOwner post) : post_(std::move(post)) {}

SerialPort::~SerialPort() { close(); }

void SerialPort::open(const std::string& commName, const LineSettings& line,
                      const CommTimeouts& timeouts, bool watchModemLines)
{
    if (isOpen()) throw ECommsError("This serial port already opened");
    auto backend = openPortBackend(commName, watchModemLines, post_);
    backend->applyTimeouts(timeouts);
    // A refused setting is not reported; the port keeps what it had.
    if (backend->applyLine(line)) applied_ = line;
    backend->start(); // a failure closes what was opened as the backend goes
    backend_ = std::move(backend);
}

void SerialPort::close() { backend_.reset(); }

bool SerialPort::send(const void* data, uint16_t size)
{
    if (!isOpen() || size == 0) return false;
    return backend_->send(copyWithTerminator(static_cast<const uint8_t*>(data), size), size);
}

void SerialPort::applyLine(const LineSettings& line)
{
    if (isOpen() && backend_->applyLine(line)) applied_ = line;
}

void SerialPort::applyTimeouts(const CommTimeouts& timeouts)
{
    if (isOpen()) backend_->applyTimeouts(timeouts);
}
