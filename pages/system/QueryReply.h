#pragma once

#include <QByteArray>

// Which part of what came back answers a query. The converter's replies start with a head,
// "QQQ#" for a query's and "QQS#" for a set request's, and name their key after it
// ("QQQ#QX:BA1:...", "QQQ#QQ2#FMW:...", "QQS#MD:OK#"). A reply that names another key
// answers another request: a late answer to an earlier one, typically.
namespace QueryReply {

// Whether two keys name the same thing: the same letters and the same slot number, so that
// a reply's "RCAD1" answers the request's "RCAD01", and "QQ0" does not answer "QQ1".
bool sameKey(const QByteArray& a, const QByteArray& b);

// The query's own reply in `received`: each part from a head that names the query's key to
// the next head. Parts under other heads, and anything before the first head, are left
// out. Without any head the text is returned whole: there is no key to go by, and the
// decoders' own checks apply. A request that is not a "QQQ#" query gets `received` back.
QByteArray ownReply(const QByteArray& received, const QByteArray& request);

// Whether `received` holds no reply to another request: every head in it names the
// query's key (true when there is no head, or the request is not a query).
bool answers(const QByteArray& received, const QByteArray& request);

} // namespace QueryReply
