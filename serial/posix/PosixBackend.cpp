// The port on a POSIX terminal driver: termios settings, a poll-driven receive thread that
// keeps the read timeouts itself, and a transmit thread.
#include "serial/core/CommsError.h"
#include "serial/core/PortBackend.h"
#include "serial/core/PortContext.h"
#include "serial/core/PortName.h"
#include "serial/posix/ReadThread.h"
#include "serial/posix/Termios.h"
#include "serial/posix/WriteThread.h"

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/ioctl.h>
#include <termios.h>
#include <unistd.h>

void closeNativePort(int fd)
{
    ioctl(fd, TIOCNXCL); // the port stays a tty after us: let the next program open it
    ::close(fd);
}

namespace {

std::string openFailureReason(int err)
{
    switch (err) {
    case EACCES:
    case EPERM:
        return "Permission denied: add your user to the 'dialout' group and log in again";
    // A path that does not exist is just that; a device node without its hardware behind
    // it (an unplugged adapter, an absent UART) is no device.
    case ENOENT: return "No such file or directory";
    case ENXIO:
    case ENODEV: return "No such device";
    case EBUSY:
    case EWOULDBLOCK: return "The port is in use by another program";
    default: return std::strerror(err);
    }
}

// Opens the device for this program alone: other programs that honour TIOCEXCL or
// flock() cannot open it while we hold it. Returns -1 and sets errno on failure.
int openExclusive(const std::string& path)
{
    const int fd = ::open(path.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) return -1;
    if (::isatty(fd) && ::flock(fd, LOCK_EX | LOCK_NB) != 0) {
        const int err = errno;
        ::close(fd);
        errno = err;
        return -1;
    }
    return fd;
}

class PosixBackend : public PortBackend {
public:
    explicit PosixBackend(std::shared_ptr<PortContext> context) : ctx_(std::move(context)) {}
    ~PosixBackend() override;

    bool applyLine(const LineSettings& line) override;
    void applyTimeouts(const CommTimeouts& timeouts) override;
    void start() override;
    bool send(std::unique_ptr<uint8_t[]> copy, uint16_t count) override;

private:
    void stopThreads();

    std::shared_ptr<PortContext> ctx_;
    std::shared_ptr<TReadThread> reader_;
    std::shared_ptr<TWriteThread> writer_;
    DriverRtsToggle driverRtsToggle_;
};

PosixBackend::~PosixBackend()
{
    stopThreads();
    driverRtsToggle_.restore(ctx_->port);
}

void PosixBackend::start()
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
    // Thread priorities stay at the default: raising them needs privileges a desktop user
    // lacks, and at serial speeds the scheduler's normal latency is far below a byte time.
}

void PosixBackend::stopThreads()
{
    ctx_->signalClose(); // wakes both threads at once
    // From here on the threads post nothing: a thread that misses the wait below cannot
    // reach the owner, which may be destroyed next.
    ctx_->detach();
    ::tcflush(ctx_->port, TCIFLUSH);
    if (reader_) reader_->stop(std::chrono::milliseconds(10000));
    reader_.reset();
    ::tcflush(ctx_->port, TCOFLUSH);
    if (writer_) writer_->stop(std::chrono::milliseconds(10000));
    writer_.reset();
}

bool PosixBackend::send(std::unique_ptr<uint8_t[]> copy, uint16_t count)
{
    if (!writer_ || !writer_->post(std::move(copy), count)) return false;
    ctx_->sendEmpty = false;
    return true;
}

bool PosixBackend::applyLine(const LineSettings& line)
{
    const bool accepted = applyLineSettings(ctx_->port, line);
    applyModemLines(ctx_->port, line);
    const bool toggle = line.rtsControl == TRtsControl::RtsTransmissionAvailable;
    bool driverToggles = false;
    if (toggle)
        driverToggles = driverRtsToggle_.enable(ctx_->port);
    else
        driverRtsToggle_.restore(ctx_->port);
    ctx_->softwareRtsToggle = toggle && !driverToggles;
    ctx_->ignoreNullChar = line.ignoreNullChar;
    // Error marking follows what the driver holds: unchanged when it refused the line.
    if (accepted) {
        ctx_->markedErrors = line.parityCheck;
        ctx_->replaceMarked = line.replaceWhenParityError;
        ctx_->replacement = line.replacedChar;
    }
    return accepted;
}

void PosixBackend::applyTimeouts(const CommTimeouts& timeouts)
{
    // The terminal driver has no read timeouts of this kind; the receive thread keeps them.
    ctx_->readInterval = timeouts.readInterval;
    ctx_->readTotalMultiplier = timeouts.readTotalMultiplier;
    ctx_->readTotalConstant = timeouts.readTotalConstant;
}

} // namespace

std::unique_ptr<PortBackend> openPortBackend(const std::string& commName, bool watchModemLines,
                                             PostToOwner post)
{
    const int fd = openExclusive(devicePathFor(commName));
    if (fd < 0) throw ECommsError("Error opening serial port", openFailureReason(errno));
    if (!::isatty(fd)) {
        ::close(fd);
        throw ECommsError("File handle is not a comm handle ", "Not a serial device");
    }
    ioctl(fd, TIOCEXCL);
    // Driver queue sizes cannot be chosen on this platform; the kernel's own (4096 bytes
    // for serial drivers) already meet what the receive and transmit paths need.

    std::shared_ptr<PortContext> context;
    try {
        context = std::make_shared<PortContext>(fd, ManualEvent(), std::move(post));
    } catch (const std::exception&) {
        closeNativePort(fd);
        throw ECommsError("Unable to create event");
    }
    context->watchModemLines = watchModemLines;
    ::tcflush(fd, TCIOFLUSH);
    return std::make_unique<PosixBackend>(std::move(context));
}
