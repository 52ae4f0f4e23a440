#include "pages/system/QueryReply.h"

#include <vector>

namespace QueryReply {

namespace {

bool isDigit(char c) { return c >= '0' && c <= '9'; }

// Where each reply head starts, in order.
std::vector<qsizetype> heads(const QByteArray& text)
{
    std::vector<qsizetype> out;
    for (qsizetype at = text.indexOf("QQ"); at >= 0 && at + 4 <= text.size();
         at = text.indexOf("QQ", at + 1))
        if ((text[at + 2] == 'Q' || text[at + 2] == 'S') && text[at + 3] == '#') out.push_back(at);
    return out;
}

// The key after the head at `head`: up to the ":" or "#" that ends it.
QByteArray keyAt(const QByteArray& text, qsizetype head)
{
    qsizetype end = head + 4;
    while (end < text.size() && text[end] != ':' && text[end] != '#') ++end;
    return text.mid(head + 4, end - head - 4);
}

// The query's key ("QQQ#QX#" gives "QX"); empty when the request is not a query.
QByteArray queryKey(const QByteArray& request)
{
    if (!request.startsWith("QQQ#")) return {};
    const qsizetype end = request.indexOf('#', 4);
    return end < 0 ? QByteArray() : request.mid(4, end - 4);
}

} // namespace

bool sameKey(const QByteArray& a, const QByteArray& b)
{
    qsizetype la = 0, lb = 0;
    while (la < a.size() && !isDigit(a[la])) ++la;
    while (lb < b.size() && !isDigit(b[lb])) ++lb;
    if (a.left(la) != b.left(lb)) return false;
    const QByteArray na = a.mid(la), nb = b.mid(lb);
    if (na.isEmpty() || nb.isEmpty()) return na == nb;
    bool okA = false, okB = false;
    const int va = na.toInt(&okA), vb = nb.toInt(&okB);
    return okA && okB ? va == vb : na == nb;
}

QByteArray ownReply(const QByteArray& received, const QByteArray& request)
{
    const QByteArray key = queryKey(request);
    if (key.isEmpty()) return received; // HART and MODBUS requests: no scan on each chunk
    const std::vector<qsizetype> at = heads(received);
    if (at.empty()) return received;
    QByteArray own;
    for (size_t i = 0; i < at.size(); ++i) {
        const qsizetype end = i + 1 < at.size() ? at[i + 1] : received.size();
        if (sameKey(keyAt(received, at[i]), key)) own += received.mid(at[i], end - at[i]);
    }
    return own;
}

bool answers(const QByteArray& received, const QByteArray& request)
{
    const QByteArray key = queryKey(request);
    if (key.isEmpty()) return true;
    for (const qsizetype head : heads(received))
        if (!sameKey(keyAt(received, head), key)) return false;
    return true;
}

} // namespace QueryReply
