#pragma once

#include "serial/core/ManualEvent.h"

#include <atomic>
#include <memory>
#include <optional>

class ReceiveCredits;

// One received chunk's place among those posted to the owner and not yet released. Given
// back when destroyed, so a notification that is delivered, removed unread or never posted
// returns its place all the same.
class ReceiveCredit {
public:
    explicit ReceiveCredit(std::shared_ptr<ReceiveCredits> pool = nullptr)
        : pool_(std::move(pool)) {}
    ReceiveCredit(ReceiveCredit&&) noexcept = default;
    ReceiveCredit& operator=(ReceiveCredit&&) = delete;
    ~ReceiveCredit();

private:
    std::shared_ptr<ReceiveCredits> pool_;
};

// Bounds the chunks the receive thread has handed to the owner's event queue and the owner
// has not yet taken. At the bound the thread stops reading, so a far end that sends faster
// than the owner takes its chunks is held back by the driver (and, on a line without flow
// control, overruns there) instead of filling the owner's queue without end.
class ReceiveCredits : public std::enable_shared_from_this<ReceiveCredits> {
public:
    static constexpr int kLimit = 8; // 16 KB of chunks: at serial speeds, seconds of line time

    // Throws std::system_error when the wake-up event cannot be made.
    static std::shared_ptr<ReceiveCredits> make(int limit = kLimit);
    ReceiveCredits(const ReceiveCredits&) = delete;
    ReceiveCredits& operator=(const ReceiveCredits&) = delete;

    // A place, or nothing when every place is out. Called by the receive thread only.
    std::optional<ReceiveCredit> take();
    // Set once the places out have come down to half the bound; clearReady() rearms it. A
    // taker that found the pool full clears it and takes again before waiting, and a full
    // pool must come down to half after that, so the wake-up is never missed.
    const ManualEvent& ready() const { return ready_; }
    void clearReady() const { ready_.reset(); }

private:
    friend class ReceiveCredit;
    explicit ReceiveCredits(int limit) : limit_(limit) {}
    void giveBack();

    const int limit_;
    ManualEvent ready_;
    std::atomic<int> out_{0};
};
