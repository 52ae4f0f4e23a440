#pragma once

#include "pages/hart/HartReply.h"
#include "sim/HartLoop.h"
#include "tests/support/Bytes.h"

#include <QByteArray>
#include <QtGlobal>
#include <bit>

// Short master frames to the stand-in's HART loop, and its whole replies read back.
namespace SimRequests {

// A short master frame to `poll` with seven preambles, as the tool sends it.
inline QByteArray request(int poll, uint8_t command, const QByteArray& data = {})
{
    QByteArray frame = bytes({0x02, 0x80 | poll, command, int(data.size())}) + data;
    uint8_t sum = 0;
    for (char c : frame) sum ^= uint8_t(c);
    return QByteArray(7, char(0xFF)) + frame + char(sum);
}

inline HartReply::Frame ask(HartLoop& loop, int poll, uint8_t command, const QByteArray& data = {},
                            double seconds = 0)
{
    const auto frame = HartReply::read(loop.handle(request(poll, command, data), seconds));
    if (!frame || !frame->whole || !frame->checksumOk) qFatal("no whole reply from %d to command %d", poll, command);
    return *frame;
}

inline uint32_t bitsOf(float value) { return std::bit_cast<uint32_t>(value); }

inline QByteArray single(float value)
{
    QByteArray out;
    const uint32_t bits = bitsOf(value);
    for (int shift = 24; shift >= 0; shift -= 8) out.append(static_cast<char>(bits >> shift));
    return out;
}

} // namespace SimRequests
