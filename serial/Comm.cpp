#include "serial/Comm.h"

#include "serial/CommEvents.h"

#include <QCoreApplication>
#include <QDebug>

TComm::TComm(QObject* owner)
    : QObject(owner),
      port_([this](CommNotice&& notice) { postNotification(this, std::move(notice)); })
{
}

TComm::~TComm() { ClosePort(); }

void TComm::OpenPort()
{
    port_.open(commName_.toStdString(), line_, timeouts_, static_cast<bool>(OnModemStateChange));
}

void TComm::ClosePort()
{
    if (!IsOpen()) return;
    port_.close();
    // A hang-up still queued belongs to the session just ended; it must not close the next.
    QCoreApplication::removePostedEvents(this, kNotifyRequestHangup);
}

bool TComm::SendBytes(const void* data, uint16_t size) { return port_.send(data, size); }

bool TComm::event(QEvent* e)
{
    acceptNotification(e);
    const int type = e->type();
    if (type < kNotifyReceiveData || type > kNotifyLineStatusOff) return QObject::event(e);
    const auto* n = static_cast<CommNotification*>(e);
    switch (type) {
    case kNotifyReceiveData:
        if (OnReceiveData) OnReceiveData(this, n->data(), n->count());
        break;
    case kNotifyReceiveError:
        if (OnReceiveError) OnReceiveError(this, n->value());
        break;
    case kNotifyRequestHangup:
        if (IsOpen() && OnRequestHangup) OnRequestHangup(this);
        break;
    case kNotifyModemChange:
        if (OnModemStateChange) OnModemStateChange(this, n->value());
        break;
    case kNotifySendEmpty:
        if (OnSendDataEmpty) OnSendDataEmpty(this);
        break;
    case kNotifyLineStatusOff:
        qWarning("%s: the driver reports no line errors or modem-line changes (error %u); "
                 "they are not watched on this port",
                 qPrintable(commName_), unsigned(n->value()));
        break;
    }
    return true; // the event, and the chunk's copy with it, is released by Qt
}
