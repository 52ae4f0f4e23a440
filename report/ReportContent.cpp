#include "report/ReportContent.h"

#include "tools/TerminalText.h"

namespace Report {

Content gather(const Profile& profile, const RegisterMap::Source& source, std::vector<Instrument> instruments)
{
    RegisterMap::Instruments tags;
    for (const Instrument& i : instruments)
        if (const auto entry = RegisterMap::fromSnapshot(i.snapshot)) tags.emplace(entry->first, entry->second);
    Content c;
    c.madeAt = QDateTime::currentDateTime();
    c.toolVersion = QStringLiteral(VK742B_VERSION);
    c.profile = profile;
    c.source = source;
    c.map = RegisterMap::build(profile, tags);
    c.map.source = source;
    c.instruments = std::move(instruments);
    return c;
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
