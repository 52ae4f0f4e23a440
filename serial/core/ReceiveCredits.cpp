#include "serial/core/ReceiveCredits.h"

ReceiveCredit::~ReceiveCredit()
{
    if (pool_) pool_->giveBack();
}

std::shared_ptr<ReceiveCredits> ReceiveCredits::make(int limit)
{
    return std::shared_ptr<ReceiveCredits>(new ReceiveCredits(limit));
}

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
    if (out_.fetch_sub(1) - 1 == limit_ / 2) ready_.set();
}
