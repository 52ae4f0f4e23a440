#include "serial/posix/LineStatus.h"

#include "serial/core/Notice.h"
#include "serial/core/PortContext.h"

#include <linux/serial.h>
#include <sys/ioctl.h>

LineStatus::LineStatus(int fd, Watch watch) : fd_(fd), watch_(watch) { supported_ = read(last_); }

bool LineStatus::read(Counters& out) const
{
    serial_icounter_struct c{};
    if (ioctl(fd_, TIOCGICOUNT, &c) != 0) return false;
    out = {c.frame, c.overrun, c.parity, c.brk, c.buf_overrun, c.dcd, c.rng};
    return true;
}

uint32_t LineStatus::errorFlags(const Counters& a, const Counters& b)
{
    uint32_t flags = 0;
    if (b.bufOverrun != a.bufOverrun) flags |= kRxOver;
    if (b.overrun != a.overrun) flags |= kOverrun;
    if (b.parity != a.parity) flags |= kRxParity;
    if (b.frame != a.frame) flags |= kFrame;
    if (b.brk != a.brk) flags |= kBreak;
    return flags;
}

uint32_t LineStatus::modemEvent(const Counters& a, const Counters& b)
{
    return (b.dcd != a.dcd ? kCarrierChange : 0) | (b.rng != a.rng ? kRing : 0);
}

void LineStatus::report(const PortContext& ctx)
{
    Counters now;
    if (!supported_ || !read(now)) return;
    if (watch_ == Watch::Errors) {
        if (const uint32_t errors = errorFlags(last_, now)) ctx.post(kNotifyReceiveError, 0, errors);
    } else if (const uint32_t modem = modemEvent(last_, now)) {
        ctx.post(kNotifyModemChange, 0, modem);
    }
    last_ = now;
}
