#include "pages/hart/HartTrafficNotes.h"

#include "pages/hart/HartReply.h"

namespace {

// Enough for any HART reply with its preambles; older bytes cannot start one.
constexpr qsizetype kGathered = 512;

} // namespace

QString HartTrafficNotes::sent(const QByteArray& frame)
{
    gathered_.clear();
    const auto asked = frame.startsWith(char(0xFF)) ? HartReply::request(frame) : std::nullopt;
    if (!asked) return {};
    const QString to = asked->longAddress ? QStringLiteral("long address")
                                          : QStringLiteral("polling address %1").arg(uint8_t(asked->address[0]));
    return QStringLiteral("HART command %1 to %2").arg(asked->command).arg(to);
}

QString HartTrafficNotes::received(const QByteArray& chunk)
{
    gathered_ += chunk;
    if (gathered_.size() > kGathered) gathered_.remove(0, gathered_.size() - kGathered);
    const auto reply = HartReply::read(gathered_);
    if (!reply || !reply->whole) return {};
    gathered_.remove(0, reply->end()); // noted once
    QString note = QStringLiteral("HART reply to command %1: ").arg(reply->command);
    note += reply->hasStatus() ? reply->status().summary() : QStringLiteral("no status bytes");
    if (!reply->checksumOk) note += QStringLiteral(" (checksum does not match)");
    return note;
}
