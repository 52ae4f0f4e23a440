#pragma once

#include <chrono>
#include <future>
#include <memory>
#include <thread>

#include "serial/core/PortContext.h"

// A worker that runs while the port is open and ends when the close event is signalled.
// The running thread holds its own object and the shared context, so a thread that misses
// the close limit and is left to finish touches nothing that its owner frees.
class PortThread : public std::enable_shared_from_this<PortThread> {
public:
    explicit PortThread(std::shared_ptr<PortContext> context) : ctx_(std::move(context)) {}
    virtual ~PortThread();
    PortThread(const PortThread&) = delete;
    PortThread& operator=(const PortThread&) = delete;

    // Throws std::system_error when no thread can be created. The object must be owned by
    // a std::shared_ptr.
    void start();

    // Waits up to limit for the thread to end. A thread still running then is left to end
    // on its own; it has already been cut off from the component by the context's detach.
    // Returns whether the thread ended in time.
    bool stop(std::chrono::milliseconds limit);

    bool running() const;

protected:
    virtual void run() = 0;
    const std::shared_ptr<PortContext> ctx_;

private:
    void runReporting() noexcept;

    std::thread thread_;
    std::future<void> ended_;
};
