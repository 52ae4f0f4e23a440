#include "tools/BuiltRequest.h"

namespace FieldCheck {

QString choice(const QString& field, int index, int count, const QString& what)
{
    if (index >= 0 && index < count) return {};
    return QStringLiteral("%1: choose %2 from the list.").arg(field, what);
}

QString number(const QString& field, int64_t value, int64_t lo, int64_t hi)
{
    if (value >= lo && value <= hi) return {};
    return QStringLiteral("%1 must be a number from %2 to %3.").arg(field).arg(lo).arg(hi);
}

} // namespace FieldCheck

QString firstRefusal(std::initializer_list<QString> checks)
{
    for (const QString& refusal : checks)
        if (!refusal.isEmpty()) return refusal;
    return {};
}

BuiltRequest buildChecked(std::initializer_list<QString> checks, const std::function<QByteArray()>& build)
{
    const QString refusal = firstRefusal(checks);
    return refusal.isEmpty() ? BuiltRequest(build()) : BuiltRequest::refused(refusal);
}
