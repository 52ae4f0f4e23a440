#include "profile/ProfileRun.h"

#include "pages/modbus/ModbusCodec.h"
#include "pages/system/SystemCodec.h"
#include "profile/ProfileFields.h"
#include "profile/ProfileQueries.h"
#include "profile/ProfileRequests.h"
#include "serial/Comm.h"

#include <QTimer>
#include <algorithm>

using ProfileSchema::Query;
using ProfileSchema::Setting;

namespace {

QString keysOf(const std::vector<const Setting*>& settings)
{
    QStringList keys;
    for (const Setting* s : settings) keys << s->key;
    return keys.join(QStringLiteral(", "));
}

QString queryName(const Query& q)
{
    switch (q.which) {
    case Query::System: return QStringLiteral("system query");
    case Query::Device: return QStringLiteral("modbus.devices[%1] query").arg(q.slot);
    case Query::Monitor: return QStringLiteral("monitoring[%1] query").arg(q.slot - 1);
    }
    return {};
}

} // namespace

ProfileRun::ProfileRun(ConverterSession& session, QObject* parent) : QObject(parent), session_(session) {}

void ProfileRun::read()
{
    steps_.clear();
    result_ = Profile{};
    // The device slots, the monitoring slots, then the converter's own settings.
    std::vector<Query> queries;
    for (int n = 0; n < ModbusCodec::kSlots; ++n) queries.push_back({Query::Device, n});
    for (int m = 1; m <= 6; ++m) queries.push_back({Query::Monitor, m});
    queries.push_back({Query::System, 0});
    for (const Query& q : queries) {
        Step step;
        step.what = queryName(q);
        step.query = q;
        step.isQuery = true;
        step.request = ProfileQueries::request(q);
        for (const Setting& s : ProfileSchema::settings())
            if (s.query == q) step.settings.push_back(&s);
        steps_.push_back(std::move(step));
    }
    start();
}

void ProfileRun::write(const Profile& profile)
{
    steps_.clear();
    wanted_ = profile;
    for (auto& group : ProfileRequests::writeGroups(profile)) {
        Step step;
        step.what = keysOf(group);
        const BuiltRequest built = ProfileRequests::setRequest(group, profile);
        step.refusal = built.refusal;
        step.request.frame = built.bytes;
        step.request.kind = SessionRequest::Kind::Set;
        // Requests that carry typed command bytes show as hex, as on their pages.
        for (const Setting* s : group)
            if (s->kind == ProfileSchema::Kind::HexCommand) step.request.display = FrameDisplay::Hex;
        step.settings = std::move(group);
        steps_.push_back(std::move(step));
    }
    start();
}

void ProfileRun::cancel() { cancelled_ = true; }

void ProfileRun::start()
{
    at_ = 0;
    cancelled_ = false;
    written_ = false;
    applied_.clear();
    uncertain_.clear();
    running_ = true;
    if (!session_.port().IsOpen()) {
        QTimer::singleShot(0, this, [this] { finish(false, QStringLiteral("The port is not open.")); });
        return;
    }
    QTimer::singleShot(0, this, &ProfileRun::next);
}

void ProfileRun::next()
{
    if (!running_) return;
    if (cancelled_) return finish(false, QStringLiteral("Cancelled."));
    if (at_ == steps_.size()) {
        if (steps_.empty() || steps_.front().isQuery) return finish(true, QString());
        written_ = true;
        if (wanted_.values.count(QStringLiteral("system.rs232_rs485a.baud"))) return changeSpeed();
        return finish(true, QStringLiteral("written"));
    }
    const Step& step = steps_[at_];
    emit progress(int(at_) + 1, int(steps_.size()), step.what);
    if (!step.refusal.isEmpty())
        return finish(false, QStringLiteral("%1: nothing was sent: %2").arg(step.what, step.refusal));
    session_.send(step.request, [this](const SessionOutcome& outcome) { onOutcome(outcome); });
}

void ProfileRun::onOutcome(const SessionOutcome& outcome)
{
    if (!running_) return;
    const Step& step = steps_[at_];
    QString problem = outcome.problem();
    if (!step.isQuery && outcome.kind == SessionOutcome::Kind::Unreadable) {
        // Its answer came, so the converter heard the request: it may well have taken it.
        for (const Setting* s : step.settings) uncertain_ << s->key;
        problem += QStringLiteral("; it may have been applied");
    }
    if (outcome.ok()) {
        if (step.isQuery) {
            emit decoded(step.query, outcome.decoded);
            problem = ProfileFields::takeSettings(outcome.decoded, step.settings, result_.values);
        } else {
            std::vector<FieldUpdate> updates;
            for (const Setting* s : step.settings) {
                applied_ << s->key;
                updates.push_back(ProfileFields::updateFor(*s, wanted_.values.at(s->key)));
            }
            emit acknowledged(updates, step.settings.front()->device);
        }
    }
    if (!problem.isEmpty()) return finish(false, QStringLiteral("%1: %2").arg(step.what, problem));
    ++at_;
    next();
}

void ProfileRun::changeSpeed()
{
    const Setting* baudSetting = ProfileSchema::find(QStringLiteral("system.rs232_rs485a.baud"));
    const Setting* paritySetting = ProfileSchema::find(QStringLiteral("system.rs232_rs485a.parity"));
    const QJsonValue baud = wanted_.values.at(baudSetting->key);
    const auto parity = wanted_.values.find(paritySetting->key);
    // The parities are listed in the port's own order: None, Odd, Even.
    const int parityIndex = parity == wanted_.values.end() ? 0 : int(paritySetting->choices.indexOf(parity->second));
    const QString at = QString::number(baud.toInteger());
    const QString why = session_.reopen(uint32_t(baud.toInteger()), TParity(std::max(0, parityIndex)));
    if (!why.isEmpty())
        return finish(false, QStringLiteral("written; could not reopen the port at %1 baud: %2").arg(at, why));
    SessionRequest check;
    check.frame = SystemCodec::linkCheckRequest();
    check.missing = [](const QByteArray& t) { return SystemCodec::linkCheckMissing(t); };
    session_.send(check, [this, at](const SessionOutcome& outcome) {
        if (outcome.ok() && SystemCodec::linkCheckConfirmed(outcome.reply))
            finish(true, QStringLiteral("written; now at %1 baud").arg(at));
        else
            finish(false, QStringLiteral("written; no answer at %1 baud").arg(at));
    });
}

void ProfileRun::finish(bool ok, const QString& message)
{
    if (!running_) return;
    running_ = false;
    emit finished(ok, message);
}
