#pragma once

#include "serial/core/ReceiveCredits.h"

#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>

// What the port threads tell the component's owner. The numbers are the ones hosts of
// serial components know; the Qt adapter uses them as its event types.
enum CommNotify : int {
    kNotifyReceiveData = 1025,
    kNotifyReceiveError = 1026,
    kNotifyRequestHangup = 1027,
    kNotifyModemChange = 1028,
    kNotifySendEmpty = 1029,
    // The driver cannot report line errors and modem-line changes; they are no longer
    // watched (value: the system's error code). Sent once per open, for a log.
    kNotifyLineStatusOff = 1030,
};

struct CommNotice {
    CommNotify kind = kNotifyReceiveData;
    uint16_t count = 0;
    uint32_t value = 0;
    std::unique_ptr<uint8_t[]> data; // a received chunk with a zero byte after it
    ReceiveCredit credit;            // the chunk's place, given back when the notice goes
};

// Hands a notice to the owner. Called on the port threads, under the port's notifier
// lock: it must queue the notice and return, never wait for the owner.
using PostToOwner = std::function<void(CommNotice&&)>;

// Copies bytes into a fresh buffer with one zero byte after them.
std::unique_ptr<uint8_t[]> copyWithTerminator(const uint8_t* data, size_t size);
