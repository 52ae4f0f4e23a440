#pragma once

#include <cstddef>
#include <cstdint>

// Undoes the driver's marking of bytes received with a parity or framing error (termios
// PARMRK): "\377\377" is a plain 0xFF, "\377\0" c is c received with an error ("\377\0\0"
// also stands for a break). A mark cut off at the end of one read is completed by the next.
class ErrorMarks {
public:
    // Unmarks [data, data + size) in place and returns how many bytes are left. A byte that
    // carried an error is kept as it came, or replaced by replacement when replace is set.
    // The output never outgrows the input.
    size_t unmark(uint8_t* data, size_t size, bool replace, uint8_t replacement);

    // Bytes with an error seen since the last call.
    size_t takeErrorCount();
    void reset() { state_ = State::Plain; }

private:
    enum class State { Plain, Escape, Marked };
    State state_ = State::Plain;
    size_t errors_ = 0;
};
