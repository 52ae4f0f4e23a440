// Line settings through the kernel's termios2 interface, which takes any integer speed
// (BOTHER). <asm/termbits.h> cannot share a translation unit with <termios.h>, so every
// termios detail of the component lives in this file.
#include "serial/posix/Termios.h"

#include <asm/termbits.h>
#include <cstring>
#include <linux/serial.h>
#include <sys/ioctl.h>

namespace {

tcflag_t dataBitsFlag(TByteSize size)
{
    switch (size) {
    case TByteSize::_5: return CS5;
    case TByteSize::_6: return CS6;
    case TByteSize::_7: return CS7;
    case TByteSize::_8: break;
    }
    return CS8;
}

void setParity(termios2& t, TParity parity)
{
    t.c_cflag &= ~(PARENB | PARODD | CMSPAR);
    switch (parity) {
    case TParity::None: break;
    case TParity::Odd: t.c_cflag |= PARENB | PARODD; break;
    case TParity::Even: t.c_cflag |= PARENB; break;
    case TParity::Mark: t.c_cflag |= PARENB | PARODD | CMSPAR; break;
    case TParity::Space: t.c_cflag |= PARENB | CMSPAR; break;
    }
}

void fill(termios2& t, const LineSettings& s)
{
    // Raw bytes both ways: no line editing, echo, signals or character translation.
    t.c_iflag &= ~(IGNBRK | BRKINT | PARMRK | ISTRIP | INLCR | IGNCR | ICRNL | IUCLC | IXANY |
                   IMAXBEL | IXON | IXOFF | INPCK | IGNPAR);
    t.c_oflag &= ~OPOST;
    t.c_lflag &= ~(ECHO | ECHONL | ICANON | ISIG | IEXTEN);
    t.c_cflag &= ~(CSIZE | CSTOPB | CRTSCTS | HUPCL);
    t.c_cflag |= CLOCAL | CREAD | dataBitsFlag(s.byteSize);
    setParity(t, s.parity);

    // Termios has one stop-bit choice beyond one: 1.5 is sent as 2, the nearest it offers.
    if (s.stopBits != TStopBits::_1) t.c_cflag |= CSTOPB;
    if (s.outxCtsFlow || s.rtsControl == TRtsControl::RtsHandshake) t.c_cflag |= CRTSCTS;
    if (s.outxXonXoffFlow) t.c_iflag |= IXON;
    if (s.inxXonXoffFlow) t.c_iflag |= IXOFF;
    // With checking on, the driver marks each byte received with a parity or framing
    // error, and the receive thread hands it on (as it came, or replaced) and reports it;
    // nothing is dropped. DSR flow and sensitivity and the X-on/X-off limits have no
    // termios counterpart.
    if (s.parityCheck) t.c_iflag |= INPCK | PARMRK;
    t.c_cc[VSTART] = static_cast<cc_t>(s.xonChar);
    t.c_cc[VSTOP] = static_cast<cc_t>(s.xoffChar);
    t.c_cc[VMIN] = 1;
    t.c_cc[VTIME] = 0;

    t.c_cflag &= ~(CBAUD | (CBAUD << IBSHIFT));
    t.c_cflag |= BOTHER | (BOTHER << IBSHIFT);
    t.c_ispeed = s.baudRate;
    t.c_ospeed = s.baudRate;
}

} // namespace

bool applyLineSettings(int fd, const LineSettings& settings)
{
    termios2 before{};
    if (ioctl(fd, TCGETS2, &before) != 0) return false;
    termios2 wanted = before;
    fill(wanted, settings);
    if (ioctl(fd, TCSETS2, &wanted) != 0) {
        ioctl(fd, TCSETS2, &before);
        return false;
    }
    return true;
}

void applyModemLines(int fd, const LineSettings& s)
{
    // A driver that refuses a line (ENOTTY, EINVAL) keeps it as it is; nothing to report.
    auto level = [fd](int line, bool on) { ioctl(fd, on ? TIOCMBIS : TIOCMBIC, &line); };
    // Handshake on DTR has no termios counterpart; the line is held on instead.
    level(TIOCM_DTR, s.dtrControl != TDtrControl::DtrDisable);
    // In handshake mode the driver owns RTS; in transmit-toggle mode it rests low.
    if (s.rtsControl != TRtsControl::RtsHandshake)
        level(TIOCM_RTS, s.rtsControl == TRtsControl::RtsEnable);
}

static_assert(sizeof(serial_rs485) == 32, "DriverRtsToggle keeps the driver's record");

bool DriverRtsToggle::enable(int fd)
{
    if (changed_) return true;
    serial_rs485 rs485{};
    if (ioctl(fd, TIOCGRS485, &rs485) != 0) return false;
    std::memcpy(saved_, &rs485, sizeof rs485);
    rs485.flags |= SER_RS485_ENABLED | SER_RS485_RTS_ON_SEND;
    rs485.flags &= ~SER_RS485_RTS_AFTER_SEND;
    changed_ = ioctl(fd, TIOCSRS485, &rs485) == 0;
    return changed_;
}

void DriverRtsToggle::restore(int fd)
{
    if (!changed_) return;
    serial_rs485 rs485;
    std::memcpy(&rs485, saved_, sizeof rs485);
    ioctl(fd, TIOCSRS485, &rs485);
    changed_ = false;
}

bool readPortLine(int fd, PortLine& out)
{
    termios2 t{};
    if (ioctl(fd, TCGETS2, &t) != 0) return false;
    out.baudRate = t.c_ospeed;
    switch (t.c_cflag & CSIZE) {
    case CS5: out.dataBits = 5; break;
    case CS6: out.dataBits = 6; break;
    case CS7: out.dataBits = 7; break;
    default: out.dataBits = 8; break;
    }
    if (!(t.c_cflag & PARENB))
        out.parity = TParity::None;
    else if (t.c_cflag & CMSPAR)
        out.parity = (t.c_cflag & PARODD) ? TParity::Mark : TParity::Space;
    else
        out.parity = (t.c_cflag & PARODD) ? TParity::Odd : TParity::Even;
    out.stopBits = (t.c_cflag & CSTOPB) ? 2 : 1;
    out.rtsCts = (t.c_cflag & CRTSCTS) != 0;
    out.xonXoffOut = (t.c_iflag & IXON) != 0;
    out.xonXoffIn = (t.c_iflag & IXOFF) != 0;
    out.parityCheck = (t.c_iflag & INPCK) != 0;
    out.markErrors = (t.c_iflag & PARMRK) != 0 && !(t.c_iflag & IGNPAR);
    return true;
}
