#pragma once

#include "exchange/ExchangeView.h"
#include "serial/Comm.h"
#include "session/ConverterSession.h"

#include <QtTest>

// Sets the converter's (or the stand-in's) working mode, as "Set" beside "Working Mode:"
// does, on a port of its own that is closed again afterwards.
inline bool setWorkingMode(const QString& link, int mode)
{
    TComm comm;
    comm.SetCommName(link);
    comm.OpenPort();
    NoView view;
    ConverterSession session(comm, view);
    SessionRequest set;
    set.kind = SessionRequest::Kind::Set;
    set.frame = "QQS#MD:" + QByteArray::number(mode) + '#';
    std::optional<bool> done;
    session.send(set, [&](const SessionOutcome& o) { done = o.kind == SessionOutcome::Kind::Acknowledged; });
    return QTest::qWaitFor([&] { return done.has_value(); }, 5000) && *done;
}
