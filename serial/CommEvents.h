#pragma once

#include "serial/ReceiveCredits.h"

#include <QEvent>
#include <cstdint>
#include <memory>

class QObject;

// Notifications the port threads post to the user-interface thread. The numbers lie in
// Qt's user event range, so they are the event types themselves.
enum CommNotify : int {
    kNotifyReceiveData = 1025,
    kNotifyReceiveError = 1026,
    kNotifyRequestHangup = 1027,
    kNotifyModemChange = 1028,
    kNotifySendEmpty = 1029,
};

class CommNotification : public QEvent {
public:
    CommNotification(CommNotify kind, uint16_t count, uint32_t value,
                     std::unique_ptr<uint8_t[]> data = nullptr,
                     ReceiveCredit credit = ReceiveCredit())
        : QEvent(static_cast<QEvent::Type>(kind)), count_(count), value_(value),
          data_(std::move(data)), credit_(std::move(credit)) {}

    uint16_t count() const { return count_; }
    uint32_t value() const { return value_; }
    const uint8_t* data() const { return data_.get(); }

private:
    uint16_t count_;
    uint32_t value_;
    std::unique_ptr<uint8_t[]> data_; // released with the event, after delivery
    ReceiveCredit credit_;            // a received chunk's place, given back with the event
};

// Copies bytes into a fresh buffer with one zero byte after them.
std::unique_ptr<uint8_t[]> copyWithTerminator(const uint8_t* data, size_t size);

// Posts a notification; false when the target cannot take it.
bool postNotification(QObject* target, CommNotify kind, uint16_t count = 0, uint32_t value = 0,
                      std::unique_ptr<uint8_t[]> data = nullptr,
                      ReceiveCredit credit = ReceiveCredit());

// ThreadSanitizer cannot see inside Qt's event queue (the library is not instrumented), so
// the hand-over of a notification from a port thread to the owner is marked for it: the
// receiver calls this before it reads the event (any event may be passed). Does nothing in
// other builds.
void acceptNotification(const QEvent* event);
