#pragma once

#include "serial/ErrorMarks.h"
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

private:
    enum class Drained { Empty, ChunkFull, Vanished };

    void run() override;
    Drained drain(short revents);
    size_t keep(uint8_t* data, size_t size);
    void deliver();

    uint8_t buffer_[kChunkSize];
    size_t held_ = 0;
    ErrorMarks marks_;
};
