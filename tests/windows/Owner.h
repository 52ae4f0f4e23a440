#pragma once

#include "serial/core/Notice.h"

#include <chrono>
#include <condition_variable>
#include <mutex>
#include <string>
#include <vector>

// The owner of a SerialPort in a test: keeps what the port threads post and lets the test
// wait for it. A chunk's place is given back as soon as it is kept.
class Owner {
public:
    PostToOwner post()
    {
        return [this](CommNotice&& n) {
            std::lock_guard lock(mutex_);
            switch (n.kind) {
            case kNotifyReceiveData:
                chunks_.emplace_back(reinterpret_cast<const char*>(n.data.get()), n.count);
                terminated_ = terminated_ && n.data[n.count] == 0;
                break;
            case kNotifyReceiveError: ++errors_; break;
            case kNotifyRequestHangup: ++hangups_; break;
            case kNotifyModemChange: ++modemChanges_; break;
            case kNotifySendEmpty: ++emptied_; break;
            case kNotifyLineStatusOff:
                ++statusOff_;
                statusOffError_ = n.value;
                break;
            }
            ++notices_;
            changed_.notify_all();
        };
    }

    // Waits until the condition (called under the lock) holds, or the limit passes.
    template <class Condition> bool waitUntil(Condition condition, int limitMs)
    {
        std::unique_lock lock(mutex_);
        return changed_.wait_for(lock, std::chrono::milliseconds(limitMs),
                                 [&] { return condition(*this); });
    }

    // Everything received: the first chunk is awaited for up to firstMs, and after each
    // chunk the next for quietMs.
    std::string receivedQuiet(int quietMs = 300, int firstMs = 5000);

    void clear()
    {
        std::lock_guard lock(mutex_);
        chunks_.clear();
        hangups_ = emptied_ = errors_ = 0;
    }

    // Read under the lock (inside waitUntil), or with the port closed.
    std::vector<std::string> chunks_;
    bool terminated_ = true; // every chunk had its zero byte after it
    int hangups_ = 0, emptied_ = 0, errors_ = 0, modemChanges_ = 0, statusOff_ = 0;
    unsigned statusOffError_ = 0;
    int notices_ = 0;

    int notices()
    {
        std::lock_guard lock(mutex_);
        return notices_;
    }

private:
    std::mutex mutex_;
    std::condition_variable changed_;
};

inline std::string Owner::receivedQuiet(int quietMs, int firstMs)
{
    std::unique_lock lock(mutex_);
    for (int waitMs = chunks_.empty() ? firstMs : quietMs;; waitMs = quietMs) {
        const size_t before = chunks_.size();
        if (!changed_.wait_for(lock, std::chrono::milliseconds(waitMs),
                               [&] { return chunks_.size() != before; }))
            break;
    }
    std::string all;
    for (const auto& c : chunks_) all += c;
    return all;
}
