// The port on a Windows serial driver: a handle opened for overlapped I/O, a DCB built from
// the settings, the driver's own read timeouts, and a receive and a transmit thread that
// issue overlapped reads and writes.
#include "serial/core/CommsError.h"
#include "serial/core/PortBackend.h"
#include "serial/core/PortContext.h"
#include "serial/core/PortName.h"
#include "serial/win32/Dcb.h"
#include "serial/win32/ReadThread.h"
#include "serial/win32/SystemError.h"
#include "serial/win32/WriteThread.h"

#include <windows.h>

void closeNativePort(void* port) { CloseHandle(static_cast<HANDLE>(port)); }

namespace {

constexpr DWORD kQueueSize = 4096;

class Win32Backend : public PortBackend {
public:
    explicit Win32Backend(std::shared_ptr<PortContext> context) : ctx_(std::move(context)) {}
    ~Win32Backend() override { stopThreads(); }

    bool applyLine(const LineSettings& line) override;
    void applyTimeouts(const CommTimeouts& timeouts) override;
    void start() override;
    bool send(std::unique_ptr<uint8_t[]> copy, uint16_t count) override;

private:
    HANDLE port() const { return static_cast<HANDLE>(ctx_->port); }
    void stopThreads();

    std::shared_ptr<PortContext> ctx_;
    std::shared_ptr<TReadThread> reader_;
    std::shared_ptr<TWriteThread> writer_;
};

void Win32Backend::start()
{
    try {
        reader_ = std::make_shared<TReadThread>(ctx_);
        reader_->start();
    } catch (const std::exception&) {
        stopThreads();
        throw ECommsError("Unable to create read thread");
    }
    try {
        writer_ = std::make_shared<TWriteThread>(ctx_);
        writer_->start();
    } catch (const std::exception&) {
        stopThreads();
        throw ECommsError("Unable to create write thread");
    }
}

void Win32Backend::stopThreads()
{
    ctx_->signalClose(); // wakes both threads; each cancels its own pending operations
    // From here on the threads post nothing: a thread that misses the wait below cannot
    // reach the owner, which may be destroyed next.
    ctx_->detach();
    PurgeComm(port(), PURGE_RXABORT | PURGE_RXCLEAR);
    if (reader_) reader_->stop(std::chrono::milliseconds(10000));
    reader_.reset();
    PurgeComm(port(), PURGE_TXABORT | PURGE_TXCLEAR);
    if (writer_) writer_->stop(std::chrono::milliseconds(10000));
    writer_.reset();
    ctx_->sendEmpty = true;
}

bool Win32Backend::send(std::unique_ptr<uint8_t[]> copy, uint16_t count)
{
    if (!writer_ || !writer_->post(std::move(copy), count)) return false;
    ctx_->sendEmpty = false;
    return true;
}

bool Win32Backend::applyLine(const LineSettings& line)
{
    // The driver's RTS toggle where it has one; a driver that refuses it gets RTS low at
    // rest, and the transmit thread raises it around each write.
    const bool toggle = line.rtsControl == TRtsControl::RtsTransmissionAvailable;
    DCB dcb = dcbFor(line, true);
    bool accepted = SetCommState(port(), &dcb) != FALSE;
    bool software = false;
    if (!accepted && toggle) {
        dcb = dcbFor(line, false);
        accepted = software = SetCommState(port(), &dcb) != FALSE;
    }
    if (accepted) {
        ctx_->softwareRtsToggle = software;
        ctx_->baudRate = line.baudRate;
    }
    return accepted;
}

void Win32Backend::applyTimeouts(const CommTimeouts& t)
{
    COMMTIMEOUTS timeouts{t.readInterval, t.readTotalMultiplier, t.readTotalConstant,
                          t.writeTotalMultiplier, t.writeTotalConstant};
    // A refusal is not reported; the port keeps what it had.
    if (!SetCommTimeouts(port(), &timeouts)) return;
    ctx_->readInterval = t.readInterval;
    ctx_->readTotalMultiplier = t.readTotalMultiplier;
    ctx_->readTotalConstant = t.readTotalConstant;
}

} // namespace

std::unique_ptr<PortBackend> openPortBackend(const std::string& commName, bool watchModemLines,
                                             PostToOwner post)
{
    // Without sharing: no other program can open the port while this one holds it.
    const HANDLE port = CreateFileA(devicePathFor(commName).c_str(), GENERIC_READ | GENERIC_WRITE,
                                    0, nullptr, OPEN_EXISTING, FILE_FLAG_OVERLAPPED, nullptr);
    if (port == INVALID_HANDLE_VALUE)
        throw ECommsError("Error opening serial port", openFailureReason(GetLastError()));
    if (GetFileType(port) != FILE_TYPE_CHAR) {
        CloseHandle(port);
        throw ECommsError("File handle is not a comm handle ", "Not a serial device");
    }
    if (!SetupComm(port, kQueueSize, kQueueSize)) {
        const DWORD error = GetLastError();
        CloseHandle(port);
        throw ECommsError("Cannot setup comm buffer", systemMessage(error));
    }

    std::shared_ptr<PortContext> context;
    try {
        context = std::make_shared<PortContext>(port, ManualEvent(), std::move(post));
    } catch (const std::exception&) {
        CloseHandle(port);
        throw ECommsError("Unable to create event");
    }
    context->watchModemLines = watchModemLines;
    PurgeComm(port, PURGE_TXABORT | PURGE_RXABORT | PURGE_TXCLEAR | PURGE_RXCLEAR);
    return std::make_unique<Win32Backend>(std::move(context));
}
