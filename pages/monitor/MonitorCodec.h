#pragma once

#include "exchange/FieldUpdate.h"
#include "tools/BuiltRequest.h"

#include <QByteArray>
#include <QStringList>

// The converter's six command slots (four monitoring, two loop): requests and the query's
// reply, as plain functions. Slots are numbered 1 to 6.
namespace MonitorCodec {

struct Slot {
    const char* check; // check box: the slot's enable flag
    const char* edit;  // the command as hex pair text
    const char* set;   // "Set" button
    const char* query; // "Query" button
};
extern const Slot kSlots[6];

constexpr int kMaxBytes = 14; // bytes one command slot holds

// "QQS#WCAD0" slot ":" flag "<" count "," and the bytes themselves; refused for a slot
// outside 1-6 or more than kMaxBytes bytes.
BuiltRequest setRequest(int slot, bool enabled, const QByteArray& bytes);
BuiltRequest queryRequest(int slot); // "QQQ#RCAD0" slot "#"

// "RCAD" slot ":" flag, one separator, two count digits, one separator, the hex text;
// only the slot that was asked (1-6) is read, a reply for another changes nothing.
Decoded decodeReply(const QByteArray& text, int askedSlot);
// "RCAD" slot ":" until the reply holds the flag, the count and that many hex pairs, as
// decodeReply reads them; empty once the reply is complete.
QStringList missingKeys(const QByteArray& text, int askedSlot);

} // namespace MonitorCodec
