#pragma once

#include "tools/BuiltRequest.h"
#include "exchange/FieldUpdate.h"

#include <QByteArray>
#include <QStringList>
#include <cstdint>

// Requests and reply decoding of the converter's own settings. Plain functions: values in,
// bytes or field updates out. A builder refuses a value its digits cannot carry (no list
// item chosen, a number outside its field) with a message naming the field.
namespace SystemCodec {

// A list choice as one character: "0" plus the index. Callers check the index first.
char itemDigit(int index);

// A number as `width` characters, most significant first, each "0" plus a decimal digit.
// Callers check the range first: the first character is not reduced (1000 in three gives
// ":00") and negative values give characters below "0" (-5 in three gives "00+").
QByteArray digitEncoding(int32_t value, int width);

// "QQS#" key ":" value "#".
QByteArray setRequest(const QByteArray& key, const QByteArray& value);

// A list whose item index goes out as one digit.
struct Choice {
    const char* field; // as the user knows it: "Working Mode"
    int count;         // items: indexes 0 to count - 1
    const char* what;  // "a mode"
};
QString checkChoice(const Choice& list, int index);
BuiltRequest choiceRequest(const QByteArray& key, const Choice& list, int index);

// Port 1 is RS232/RS485A, port 2 RS485B (keys "BA1", "BA2").
BuiltRequest portRequest(int port, int baudIndex, int parityIndex);
BuiltRequest workingModeRequest(int mode);           // "MD", modes 0-4
BuiltRequest slaveAddressRequest(int32_t address);   // "ADR", 0-255
BuiltRequest returnTimeRequest(int port, int index); // "XY1", "XY2", items 0-5
BuiltRequest intervalRequest(int32_t tensOfMs);      // "JTM", 0-999
BuiltRequest baseAddressRequest(int port, int32_t address); // "AADR", "BADR", 0-99999
QByteArray resetRequest();             // "QQS#RESET#"
QByteArray hotSpotRequest(char which); // "QQS#YB:1#", "QQS#YB:2#"
QByteArray queryRequest();             // "QQQ#QX#"

// "KQTRLV#PCBSN:" serial (at least 8 digits) "," inspector (at least 3) "#". Negative
// values are refused: the fields take digits only.
BuiltRequest boardSerialRequest(int32_t serial, int32_t inspector);

// The system query's reply: nothing without "QX"; then each key's first occurrence.
Decoded decodeReply(const QByteArray& text);
// The keys of a system query's reply that are absent or cut short of the characters
// decodeReply reads after them ("BA1:", "AADR"); empty once the reply is complete.
QStringList missingKeys(const QByteArray& text);

QByteArray linkCheckRequest(); // "QQQ#QV#"
// What the converter says of itself in its link check reply, between "QV:" and the "#"
// after it: "VK742-B V6.0". Empty when the reply holds no such part.
QString linkCheckIdentity(const QByteArray& reply);
// The link-check reply is good when it holds "QV:" anywhere.
bool linkCheckConfirmed(const QByteArray& text);
// "QV:" until the reply holds it and the "#" that ends its text.
QStringList linkCheckMissing(const QByteArray& text);

// What came back for a set request. A reply is a head, "#", a key, ":", its text and "#"
// ("QQS#MD:OK#", "QQS#ERR:MD#"); it answers the request when its key is the request's, or
// the request's without its slot digits ("HART" for "QQS#HART2:..."), or "ERR". Whole
// replies to other requests (a late answer to an earlier one) are taken out; `complete`
// tells whether the request's own reply has come whole, and `text` then ends with it.
struct SetReply {
    QByteArray text;
    bool complete = false;
};
SetReply setReplyFor(const QByteArray& received, const QByteArray& request);
// A set reply is the converter's acknowledgement when it says "OK" and no "ERR".
bool setAcknowledged(const QByteArray& reply);

} // namespace SystemCodec
