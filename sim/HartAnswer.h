#pragma once

#include <QByteArray>
#include <cstdint>

// What an instrument answers to one command: the response code and the data after the two
// status bytes (none beside a response code that is an error).
struct HartAnswer {
    uint8_t code = 0;
    QByteArray data;

    static HartAnswer refused(uint8_t code) { return {code, {}}; }
};

// Response codes the stand-in's instruments send.
namespace HartCode {
constexpr uint8_t kInvalidSelection = 2, kTooLarge = 3, kTooSmall = 4, kTooFewDataBytes = 5;
constexpr uint8_t kWriteProtected = 7, kSetToNearest = 8, kBusy = 32, kNotImplemented = 64;
} // namespace HartCode
