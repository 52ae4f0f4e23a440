#pragma once

#include "session/ConverterSession.h"

#include <QPointer>
#include <QPushButton>
#include <memory>
#include <vector>

class TForm1;

// The window's port lent to a converter session, for a run over the whole converter, a
// scan or a live view. While the loan lasts the exchange stands aside and the pages'
// buttons are disabled; the Send and Receive Buffers and the traffic log still see every
// frame. Ending the loan gives the port back to the exchange, open at whatever speed the
// session left it, and the port panel shows that speed (or, if the port went away, says so).
//
// End a loan from the event loop, never from inside one of its session's callbacks.
class PortLoan {
public:
    explicit PortLoan(TForm1& window, ConverterSession::Options options = {});
    ~PortLoan();
    PortLoan(const PortLoan&) = delete;
    PortLoan& operator=(const PortLoan&) = delete;

    ConverterSession& session() { return *session_; }

private:
    TForm1& window_;
    std::unique_ptr<ConverterSession> session_;
    std::vector<QPointer<QPushButton>> disabled_;
};
