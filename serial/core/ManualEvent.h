#pragma once

#include "serial/core/Native.h"

// An event that stays set once set, until reset: what the port threads wait on beside the
// port itself (an eventfd on POSIX systems, an event object on Windows). Setting and
// testing are safe from any thread.
class ManualEvent {
public:
    ManualEvent(); // throws std::system_error when the system has none to give
    ~ManualEvent();
    ManualEvent(ManualEvent&& other) noexcept;
    ManualEvent& operator=(ManualEvent&&) = delete;
    ManualEvent(const ManualEvent&) = delete;
    ManualEvent& operator=(const ManualEvent&) = delete;

    void set() const;
    void reset() const;
    bool isSet() const;
    NativeWaitable native() const { return handle_; }

private:
    NativeWaitable handle_;
};
