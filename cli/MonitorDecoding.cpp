#include "cli/MonitorDecoding.h"

#include "profile/ProfileFields.h"
#include "profile/ProfileQueries.h"
#include "profile/ProfileSchema.h"
#include "session/ConverterSession.h"

#include <QEventLoop>
#include <QStringList>
#include <algorithm>
#include <functional>

using ProfileSchema::Query;

namespace {

const char* const kValueKeys[RegisterFormat::kValues] = {"current", "variable_1", "variable_2", "variable_3",
                                                         "variable_4"};
const QString kSlaveKey = QStringLiteral("system.slave_address");
const QString kWorkingModeKey = QStringLiteral("system.working_mode");

QString formatKey(int slot, int value)
{
    return QStringLiteral("modbus.devices[%1].formats.%2").arg(slot).arg(QLatin1String(kValueKeys[value]));
}

// The settings a query is asked for here.
QStringList keysFor(const Query& query)
{
    if (query.which == Query::System) return {kSlaveKey};
    QStringList keys;
    for (int v = 0; v < RegisterFormat::kValues; ++v) keys << formatKey(query.slot, v);
    return keys;
}

QString whatFor(const Query& query)
{
    if (query.which == Query::System) return QStringLiteral("the converter's slave address: the system query");
    return QStringLiteral("the register formats of slot %1: the MODBUS parameter query of slot %1").arg(query.slot);
}

// The query's settings from its outcome into `values`; empty on success, else why not.
QString take(const Query& query, const SessionOutcome& outcome, std::map<QString, QJsonValue>& values)
{
    if (!outcome.ok()) return outcome.problem();
    std::vector<const ProfileSchema::Setting*> settings;
    for (const QString& key : keysFor(query)) settings.push_back(ProfileSchema::find(key));
    const QString problem = ProfileFields::takeSettings(outcome.decoded, settings, values);
    // Not needed to poll, but it tells whether the MODBUS slave can answer at all.
    if (problem.isEmpty() && query.which == Query::System)
        ProfileFields::takeSettings(outcome.decoded, {ProfileSchema::find(kWorkingModeKey)}, values);
    return problem;
}

} // namespace

MonitorDecoding MonitorDecoding::fromValues(const std::map<QString, QJsonValue>& values)
{
    MonitorDecoding out;
    for (int slot = 0; slot < 5; ++slot)
        for (int v = 0; v < RegisterFormat::kValues; ++v) {
            const QString key = formatKey(slot, v);
            const auto found = values.find(key);
            if (found == values.end()) continue;
            out.formats[slot][size_t(v)] = std::max(0, int(ProfileSchema::find(key)->choices.indexOf(found->second)));
        }
    if (const auto address = values.find(kSlaveKey); address != values.end()) out.slave = address->second.toInt(1);
    if (const auto mode = values.find(kWorkingModeKey); mode != values.end()) out.workingMode = mode->second.toString();
    return out;
}

QString MonitorDecoding::read(ConverterSession& session, const std::vector<int>& deviceSlots, bool withSlave,
                              MonitorDecoding& out)
{
    std::vector<Query> queries;
    for (int slot : deviceSlots) queries.push_back({Query::Device, slot});
    if (withSlave) queries.push_back({Query::System, 0});
    if (queries.empty()) return {};

    std::map<QString, QJsonValue> values;
    QString problem;
    size_t at = 0;
    QEventLoop loop;
    // The session answers through the event loop, so the first send returns before its outcome.
    std::function<void()> next = [&] {
        session.send(ProfileQueries::request(queries[at]), [&](const SessionOutcome& outcome) {
            if (const QString why = take(queries[at], outcome, values); !why.isEmpty())
                problem = QStringLiteral("cannot read %1: %2").arg(whatFor(queries[at]), why);
            if (!problem.isEmpty() || ++at == queries.size()) return loop.quit();
            next();
        });
    };
    next();
    loop.exec();
    if (problem.isEmpty()) out = fromValues(values);
    return problem;
}
