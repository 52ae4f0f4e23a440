#pragma once

#include "serial/core/ManualEvent.h"
#include "serial/core/PortThread.h"
#include "serial/win32/Overlapped.h"

#include <cstdint>
#include <deque>
#include <memory>
#include <mutex>
#include <windows.h>

// Writes queued requests to the port with overlapped writes, in order, each completely
// before the next, and reports when the queue has run empty.
class TWriteThread : public PortThread {
public:
    using PortThread::PortThread;

    // Queues a copy of the bytes; false if the request cannot be handed over.
    bool post(std::unique_ptr<uint8_t[]> copy, uint16_t count);

private:
    struct Request {
        std::unique_ptr<uint8_t[]> bytes;
        uint16_t count = 0;
    };

    void run() override;
    bool take(Request& out);
    bool writeAll(const Request& request, Overlapped& write);
    bool writeSome(const uint8_t* data, DWORD size, DWORD& written, Overlapped& write);
    bool waitUntilSent();
    bool fail(DWORD error);

    HANDLE port() const { return static_cast<HANDLE>(ctx_->port); }

    ManualEvent queued_; // set when a request is queued
    std::mutex mutex_;
    std::deque<Request> queue_;
};
