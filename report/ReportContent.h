#pragma once

#include "instrument/AuditLog.h"
#include "profile/Profile.h"
#include "regmap/RegisterMap.h"
#include "report/LiveSummary.h"

#include <QDateTime>
#include <QJsonObject>
#include <QList>
#include <QString>
#include <optional>
#include <vector>

// Everything a commissioning report shows, gathered before it is written: the converter's
// settings, where they came from, its register map, the instruments behind it as their
// snapshots hold them, and what was recorded of them. Plain data; ReportHtml lays it out.
namespace Report {

struct Instrument {
    QString file;         // the snapshot's file name, as shown (escaped)
    QJsonObject snapshot; // as SnapshotFile::load gives it
};

struct Content {
    QDateTime madeAt = QDateTime::currentDateTime();
    QString converter;          // the link check's reply, "VK742-B V6.0"; empty when not asked
    QString toolVersion = QStringLiteral(VK742B_VERSION);
    Profile profile;
    RegisterMap::Map map; // its source: the profile file, or the port and when it was read
    std::vector<Instrument> instruments;
    QList<AuditLog::Entry> audit; // writes and loop tests; those of the instruments are shown
    QString auditFile;
    std::optional<LiveSummary::Run> live;
    QString liveFile;
};

// Makes the report one on `profile`, which came from `source`: its register map, with the
// tags and units of the content's instruments.
void settle(Content& content, const Profile& profile, const RegisterMap::Source& source);

// Takes the audit log at `path` (the file system's own bytes) into the content. Lines it
// cannot read are named in `problems` and the rest is taken; false when nothing of it could
// be read and `problems` says why.
bool takeAudit(Content& content, const QByteArray& path, QStringList& problems);

// The snapshot's device ID ("00A1B2") and polling address, as the audit log names them.
QString deviceId(const QJsonObject& snapshot);
std::optional<int> pollingAddress(const QJsonObject& snapshot);

} // namespace Report
