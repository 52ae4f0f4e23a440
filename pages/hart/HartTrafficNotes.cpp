#include "pages/hart/HartTrafficNotes.h"

#include "pages/hart/HartReply.h"

namespace {

// Enough for any HART reply with its preambles; older bytes cannot start one.
constexpr qsizetype kGathered = 512;

} // namespace

QString HartTrafficNotes::sent(const QByteArray& frame)
{
    gathered_.clear();
    qsizetype p = 0;
    while (p < frame.size() && uint8_t(frame[p]) == 0xFF) ++p;
    if (p == 0 || p >= frame.size()) return {};
    const uint8_t delimiter = uint8_t(frame[p]);
    const qsizetype command = p + (delimiter == 0x82 ? 6 : 2);
    if ((delimiter != 0x02 && delimiter != 0x82) || command >= frame.size()) return {};
    const QString to = delimiter == 0x02 ? QStringLiteral("polling address %1").arg(uint8_t(frame[p + 1]) & 0x3F)
                                         : QStringLiteral("long address");
    return QStringLiteral("HART command %1 to %2").arg(uint8_t(frame[command])).arg(to);
}

QString HartTrafficNotes::received(const QByteArray& chunk)
{
    gathered_ += chunk;
    if (gathered_.size() > kGathered) gathered_.remove(0, gathered_.size() - kGathered);
    const auto reply = HartReply::read(gathered_);
    if (!reply || !reply->whole) return {};
    gathered_.remove(0, reply->start + 4 + reply->address.size() + reply->byteCount); // noted once
    QString note = QStringLiteral("HART reply to command %1: ").arg(reply->command);
    note += reply->hasStatus() ? reply->status().summary() : QStringLiteral("no status bytes");
    if (!reply->checksumOk) note += QStringLiteral(" (checksum does not match)");
    return note;
}
