#include "serial/Comm.h"

#include "serial/CommEvents.h"
#include "serial/PortContext.h"
#include "serial/PortName.h"
#include "serial/ReadThread.h"
#include "serial/WriteThread.h"

#include <QCoreApplication>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/eventfd.h>
#include <sys/file.h>
#include <sys/ioctl.h>
#include <system_error>
#include <termios.h>
#include <unistd.h>

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

} // namespace

TComm::TComm(QObject* owner) : QObject(owner) {}

TComm::~TComm() { ClosePort(); }

void TComm::OpenPort()
{
    if (IsOpen()) throw ECommsError("This serial port already opened");

    const int fd = openExclusive(devicePathFor(commName_.toStdString()));
    if (fd < 0) throw ECommsError("Error opening serial port", openFailureReason(errno));
    if (!::isatty(fd)) {
        ::close(fd);
        throw ECommsError("File handle is not a comm handle ", "Not a serial device");
    }
    ioctl(fd, TIOCEXCL);
    // Driver queue sizes cannot be chosen on this platform; the kernel's own (4096 bytes
    // for serial drivers) already meet what the receive and transmit paths need.

    const int closeEvent = eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK);
    if (closeEvent < 0) {
        ioctl(fd, TIOCNXCL);
        ::close(fd);
        throw ECommsError("Unable to create event");
    }
    context_ = std::make_shared<PortContext>(fd, closeEvent, this);
    context_->watchModemLines = static_cast<bool>(OnModemStateChange);
    driverRtsToggle_ = {};
    ::tcflush(fd, TCIOFLUSH);
    applyTimeouts();
    applyLine();
    startThreads();
    // Thread priorities stay at the default: raising them needs privileges a desktop user
    // lacks, and at serial speeds the scheduler's normal latency is far below a byte time.
}

void TComm::startThreads()
{
    try {
        reader_ = std::make_shared<TReadThread>(context_);
        reader_->start();
    } catch (const std::exception&) {
        stopThreads();
        throw ECommsError("Unable to create read thread");
    }
    try {
        writer_ = std::make_shared<TWriteThread>(context_);
        writer_->start();
    } catch (const std::exception&) {
        stopThreads();
        throw ECommsError("Unable to create write thread");
    }
}

void TComm::stopThreads()
{
    context_->signalClose(); // wakes both threads at once
    // From here on the threads post nothing: a thread that misses the wait below cannot
    // reach this component, which may be destroyed next.
    context_->detach();
    ::tcflush(context_->fd, TCIFLUSH);
    if (reader_) reader_->stop(std::chrono::milliseconds(10000));
    reader_.reset();
    ::tcflush(context_->fd, TCOFLUSH);
    if (writer_) writer_->stop(std::chrono::milliseconds(10000));
    writer_.reset();
    driverRtsToggle_.restore(context_->fd);
    context_.reset(); // closes the port once no thread holds it any more
    // A hang-up still queued belongs to the session just ended; it must not close the next.
    QCoreApplication::removePostedEvents(this, kNotifyRequestHangup);
}

void TComm::ClosePort()
{
    if (!IsOpen()) return;
    stopThreads();
}

bool TComm::SendBytes(const void* data, uint16_t size)
{
    if (!IsOpen() || !writer_ || size == 0) return false;
    if (!writer_->post(copyWithTerminator(static_cast<const uint8_t*>(data), size), size))
        return false;
    context_->sendEmpty = false;
    return true;
}

void TComm::applyLine()
{
    // A refused setting is not reported; the port keeps what it had.
    if (applyLineSettings(context_->fd, line_)) applied_ = line_;
    applyModemLines(context_->fd, line_);
    const bool toggle = line_.rtsControl == TRtsControl::RtsTransmissionAvailable;
    bool driverToggles = false;
    if (toggle)
        driverToggles = driverRtsToggle_.enable(context_->fd);
    else
        driverRtsToggle_.restore(context_->fd);
    context_->softwareRtsToggle = toggle && !driverToggles;
    context_->ignoreNullChar = line_.ignoreNullChar;
    context_->markedErrors = applied_.parityCheck;
    context_->replaceMarked = applied_.replaceWhenParityError;
    context_->replacement = applied_.replacedChar;
}

void TComm::applyTimeouts()
{
    context_->readInterval = timeouts_.readInterval;
    context_->readTotalMultiplier = timeouts_.readTotalMultiplier;
    context_->readTotalConstant = timeouts_.readTotalConstant;
}

bool TComm::event(QEvent* e)
{
    acceptNotification(e);
    const int type = e->type();
    if (type < kNotifyReceiveData || type > kNotifySendEmpty) return QObject::event(e);
    const auto* n = static_cast<CommNotification*>(e);
    switch (type) {
    case kNotifyReceiveData:
        if (OnReceiveData) OnReceiveData(this, n->data(), n->count());
        break;
    case kNotifyReceiveError:
        if (OnReceiveError) OnReceiveError(this, n->value());
        break;
    case kNotifyRequestHangup:
        if (IsOpen() && OnRequestHangup) OnRequestHangup(this);
        break;
    case kNotifyModemChange:
        if (OnModemStateChange) OnModemStateChange(this, n->value());
        break;
    case kNotifySendEmpty:
        if (OnSendDataEmpty) OnSendDataEmpty(this);
        break;
    }
    return true; // the event, and the chunk's copy with it, is released by Qt
}
