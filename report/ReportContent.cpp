#include "report/ReportContent.h"

#include "tools/TerminalText.h"

namespace Report {

void settle(Content& content, const Profile& profile, const RegisterMap::Source& source)
{
    RegisterMap::Instruments tags;
    for (const Instrument& i : content.instruments)
        if (const auto entry = RegisterMap::fromSnapshot(i.snapshot)) tags.emplace(entry->first, entry->second);
    content.profile = profile;
    content.map = RegisterMap::build(profile, tags);
    content.map.source = source;
}

bool takeAudit(Content& content, const QByteArray& path, QStringList& problems)
{
    content.audit = AuditLog::read(path, problems);
    content.auditFile = TerminalText::fileName(path);
    return !content.audit.isEmpty() || problems.isEmpty();
}

QString deviceId(const QJsonObject& snapshot)
{
    return snapshot.value(u"identity").toObject().value(u"device_id").toString();
}

std::optional<int> pollingAddress(const QJsonObject& snapshot)
{
    const QJsonValue v = snapshot.value(u"polling_address");
    if (!v.isDouble()) return std::nullopt;
    return v.toInt();
}

} // namespace Report
