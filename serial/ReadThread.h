#pragma once

#include "serial/PortThread.h"

#include <cstddef>
#include <cstdint>

// Reads the port in chunks: a chunk ends when the line has been quiet for longer than the
// read interval after its last byte, or when 2048 bytes are buffered. Each chunk is posted
// to the user-interface thread as a fresh copy; line errors and modem changes follow it.
class TReadThread : public PortThread {
public:
    static constexpr size_t kChunkSize = 2048;

    using PortThread::PortThread;
    ~TReadThread() override { stop(std::chrono::milliseconds(10000)); }

private:
    void run() override;
    void deliver(const uint8_t* data, size_t size);
    void hangUp();
};
