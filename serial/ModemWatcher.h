#pragma once

#include <atomic>
#include <functional>
#include <future>
#include <thread>

// Runs a blocking wait (the driver's wait for a modem-line change, which cannot be polled)
// on its own thread and calls onChange after each change. Stopping it interrupts the wait
// with a signal, sent again until the thread has ended.
class ModemWatcher {
public:
    // wait returns 0 after a change, or -1 with errno set (EINTR when interrupted).
    ModemWatcher(std::function<int()> wait, std::function<void()> onChange);
    ~ModemWatcher();
    ModemWatcher(const ModemWatcher&) = delete;
    ModemWatcher& operator=(const ModemWatcher&) = delete;

private:
    std::atomic<bool> stop_{false};
    std::promise<void> ended_;
    std::thread thread_;
};
