#pragma once

#include <atomic>
#include <functional>
#include <thread>

// Runs a blocking wait (the driver's wait for a modem-line change, which neither poll nor a
// close can end) on its own thread and calls onChange after each change. Stopping cancels
// the thread inside its wait. The C library's cancellation signal can be neither blocked
// nor handled by other code, so the stop works whatever signal mask the thread inherited
// and whatever handlers the host program installed.
class ModemWatcher {
public:
    // wait returns 0 after a change, or -1 with errno set. Only wait may be cancelled: it
    // must allocate nothing and take no lock (a system call and its wrapper are fine).
    ModemWatcher(std::function<int()> wait, std::function<void()> onChange);
    ~ModemWatcher();
    ModemWatcher(const ModemWatcher&) = delete;
    ModemWatcher& operator=(const ModemWatcher&) = delete;

private:
    void run();

    std::function<int()> wait_;
    std::function<void()> onChange_;
    std::atomic<bool> stop_{false};
    std::thread thread_;
};
