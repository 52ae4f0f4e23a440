#pragma once

#include "serial/core/Notice.h"

#include <QEvent>
#include <cstdint>
#include <memory>

class QObject;

// A notice of the port threads as a Qt event posted to the component; its kind (in Qt's
// user event range) is the event type.
class CommNotification : public QEvent {
public:
    explicit CommNotification(CommNotice notice)
        : QEvent(static_cast<QEvent::Type>(notice.kind)), notice_(std::move(notice)) {}

    uint16_t count() const { return notice_.count; }
    uint32_t value() const { return notice_.value; }
    const uint8_t* data() const { return notice_.data.get(); }

private:
    CommNotice notice_; // the chunk's copy and its place are released with the event
};

// Posts a notice as an event; false when there is no target.
bool postNotification(QObject* target, CommNotice&& notice);

// ThreadSanitizer cannot see inside Qt's event queue (the library is not instrumented), so
// the hand-over of a notification from a port thread to the owner is marked for it: the
// receiver calls this before it reads the event (any event may be passed). Does nothing in
// other builds.
void acceptNotification(const QEvent* event);
