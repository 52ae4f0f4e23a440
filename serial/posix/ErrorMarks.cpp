#include "serial/posix/ErrorMarks.h"

size_t ErrorMarks::unmark(uint8_t* data, size_t size, bool replace, uint8_t replacement)
{
    size_t out = 0;
    for (size_t in = 0; in < size; ++in) {
        const uint8_t byte = data[in];
        switch (state_) {
        case State::Plain:
            if (byte == 0xFF)
                state_ = State::Escape;
            else
                data[out++] = byte;
            break;
        case State::Escape:
            if (byte == 0x00) {
                state_ = State::Marked;
            } else {
                // "\377\377" is a data 0xFF. The driver sends a lone 0xFF before nothing
                // else; should one appear (marking switched on mid-stream), the byte after
                // it is kept and the stray 0xFF dropped, so the output stays in place.
                data[out++] = byte;
                state_ = State::Plain;
            }
            break;
        case State::Marked:
            data[out++] = replace ? replacement : byte;
            ++errors_;
            state_ = State::Plain;
            break;
        }
    }
    return out;
}

size_t ErrorMarks::takeErrorCount()
{
    const size_t n = errors_;
    errors_ = 0;
    return n;
}
