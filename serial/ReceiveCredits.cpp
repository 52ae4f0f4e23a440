#include "serial/ReceiveCredits.h"

#include <cerrno>
#include <cstdint>
#include <sys/eventfd.h>
#include <system_error>
#include <unistd.h>

ReceiveCredit::~ReceiveCredit()
{
    if (pool_) pool_->giveBack();
}

std::shared_ptr<ReceiveCredits> ReceiveCredits::make(int limit)
{
    const int fd = eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK);
    if (fd < 0) throw std::system_error(errno, std::generic_category(), "eventfd");
    return std::shared_ptr<ReceiveCredits>(new ReceiveCredits(limit, fd));
}

ReceiveCredits::~ReceiveCredits() { ::close(ready_); }

std::optional<ReceiveCredit> ReceiveCredits::take()
{
    // Only the receive thread takes, so the check and the count need no loop.
    if (out_.load() >= limit_) return std::nullopt;
    ++out_;
    return ReceiveCredit(shared_from_this());
}

void ReceiveCredits::giveBack()
{
    // A taker that found the pool full waits until the owner has taken half of it, so a
    // far end that keeps the pool full wakes the receive thread once every few chunks.
    if (out_.fetch_sub(1) - 1 != limit_ / 2) return;
    const uint64_t one = 1;
    [[maybe_unused]] auto n = ::write(ready_, &one, sizeof one);
}

void ReceiveCredits::clearReady() const
{
    uint64_t count;
    [[maybe_unused]] auto n = ::read(ready_, &count, sizeof count);
}
