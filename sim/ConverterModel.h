#pragma once

#include "sim/ConverterState.h"

#include <QByteArray>

// The converter's configuration protocol: ASCII set requests ("QQS#..."), queries
// ("QQQ#...") and the board serial number ("KQTRLV#..."). State and request in, reply
// out; a malformed request changes nothing and gets a short error text.
class ConverterModel {
public:
    static bool isConfigRequest(const QByteArray& bytes);

    QByteArray handle(const QByteArray& request);

    ConverterState state;

private:
    QByteArray set(const QByteArray& body);
    QByteArray query(const QByteArray& body);
    QByteArray systemReply() const;
    QByteArray slotReply(int slot) const;
    QByteArray monitorReply(int slot) const;
};
