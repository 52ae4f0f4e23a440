#include "live/HartSource.h"

#include "pages/hart/HartCommands.h"
#include "pages/hart/HartReply.h"
#include "pages/hart/UnitTable.h"
#include "session/HartRequest.h"

#include <cmath>

namespace {

constexpr int kPreambles = 5; // six FF bytes: more than instruments need to synchronise
constexpr uint8_t kIdentify = 0, kReadVariables = 3;
const char* const kVariableNames[4] = {"pv", "sv", "tv", "qv"};

// A number as the table and chart take it: nothing for HART's "no value" (a NaN) and
// the other patterns that are not finite.
std::optional<double> finite(float value)
{
    if (!std::isfinite(value)) return std::nullopt;
    return double(value);
}

// The unit's name as the unit lists show it, without their padding; empty for a code the
// table does not know.
QString unitName(int code)
{
    const int item = unitItemIndex(code);
    if (item == kOtherUnit) return {};
    static const QStringList items = unitItems(0);
    return items[item].trimmed();
}

} // namespace

HartSource::HartSource(int pollAddress) : address_(pollAddress), cells_(kColumns) {}

QString HartSource::name() const { return QStringLiteral("hart%1").arg(address_); }

std::vector<LiveColumn> HartSource::columns() const
{
    std::vector<LiveColumn> out{{name() + QStringLiteral(".current"), QStringLiteral("mA"), false}};
    for (int v = 0; v < 4; ++v)
        out.push_back({name() + u'.' + QLatin1String(kVariableNames[v]),
                       units_[size_t(v)] ? unitName(*units_[size_t(v)]) : QString(), false, true});
    out.push_back({name() + QStringLiteral(".status"), {}, true});
    return out;
}

void HartSource::begin()
{
    step_ = identity_ ? Step::Read : Step::Identify;
    cells_.assign(kColumns, {});
    status_.clear();
}

std::optional<SessionRequest> HartSource::next()
{
    switch (step_) {
    case Step::Identify:
        return hartRequest(HartCodec::shortFrame(kPreambles, HartCodec::kMasterBit, address_, kIdentify));
    case Step::Read:
        return hartRequest(HartCodec::longFrame(kPreambles, HartCodec::kMasterBit, *identity_, kReadVariables));
    case Step::Done: break;
    }
    return std::nullopt;
}

LiveSource::Result HartSource::take(const SessionOutcome& outcome)
{
    const bool identifying = step_ == Step::Identify;
    step_ = Step::Done;
    switch (outcome.kind) {
    case SessionOutcome::Kind::TimedOut:
        status_ = QStringLiteral("no answer");
        identity_.reset();
        return Result::TimedOut;
    case SessionOutcome::Kind::PortLost: status_ = QStringLiteral("port lost"); return Result::PortLost;
    default: break;
    }
    return identifying ? takeIdentity(outcome) : takeVariables(outcome);
}

LiveSource::Result HartSource::takeIdentity(const SessionOutcome& outcome)
{
    const auto frame = HartReply::read(outcome.reply);
    const auto identity = frame && frame->whole && frame->checksumOk ? HartCommands::identity(*frame) : std::nullopt;
    if (!identity) {
        status_ = QStringLiteral("garbled reply");
        return Result::Garbled;
    }
    identity_ = identity->longAddress;
    step_ = Step::Read;
    return Result::Answer;
}

LiveSource::Result HartSource::takeVariables(const SessionOutcome& outcome)
{
    // A reply that reports a communication error carries its status alone: no values.
    const auto answer = HartCommands::dynamicVariables(outcome.reply);
    if (!answer) {
        status_ = QStringLiteral("garbled reply");
        return Result::Garbled;
    }
    if (answer->loopCurrent) cells_[0].number = finite(*answer->loopCurrent);
    for (size_t v = 0; v < answer->variables.size(); ++v) {
        units_[v] = answer->variables[v].unit;
        cells_[1 + v].number = finite(answer->variables[v].value);
    }
    cells_[kColumns - 1].text = answer->status.summary(); // in words, as the HART page shows them
    status_ = QStringLiteral("ok");
    return Result::Answer;
}

std::vector<LiveCell> HartSource::cells() const { return cells_; }
