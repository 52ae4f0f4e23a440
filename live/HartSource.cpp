#include "live/HartSource.h"

#include "pages/hart/HartReply.h"
#include "pages/hart/UnitTable.h"

#include <bit>
#include <cmath>

namespace {

constexpr int kPreambles = 5; // six FF bytes: more than instruments need to synchronise
constexpr uint8_t kIdentify = 0, kReadVariables = 3;
const char* const kVariableNames[4] = {"pv", "sv", "tv", "qv"};

uint8_t at(const QByteArray& b, qsizetype i) { return static_cast<uint8_t>(b[i]); }

// Four bytes, most significant first, as a number; nothing for HART's "no value" (a NaN)
// and the other patterns that are not finite.
std::optional<double> floatAt(const QByteArray& b, qsizetype i)
{
    const uint32_t bits = uint32_t(at(b, i)) << 24 | uint32_t(at(b, i + 1)) << 16 |
                          uint32_t(at(b, i + 2)) << 8 | at(b, i + 3);
    const float value = std::bit_cast<float>(bits);
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

// A whole reply frame to `command` with a good checksum and its status bytes; nothing else.
std::optional<HartReply::Frame> answer(const QByteArray& reply, uint8_t command)
{
    auto frame = HartReply::read(reply);
    if (!frame || !frame->whole || !frame->checksumOk || !frame->hasStatus() || frame->command != command)
        return std::nullopt;
    return frame;
}

SessionRequest hartRequest(QByteArray frame)
{
    SessionRequest r;
    r.frame = std::move(frame);
    r.display = FrameDisplay::Hex;
    r.missing = [](const QByteArray& reply) { return HartReply::missing(reply); };
    return r;
}

} // namespace

HartSource::HartSource(int pollAddress) : address_(pollAddress), cells_(kColumns) {}

QString HartSource::name() const { return QStringLiteral("hart%1").arg(address_); }

std::vector<LiveColumn> HartSource::columns() const
{
    std::vector<LiveColumn> out{{name() + QStringLiteral(".current"), QStringLiteral("mA"), false}};
    for (int v = 0; v < 4; ++v)
        out.push_back({name() + u'.' + QLatin1String(kVariableNames[v]),
                       units_[size_t(v)] ? unitName(*units_[size_t(v)]) : QString(), false});
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
    const auto frame = answer(outcome.reply, kIdentify);
    // Command 0's data: 254, manufacturer, device type, preambles, four revision bytes,
    // flags, then the three identifier bytes.
    const QByteArray d = frame ? frame->data() : QByteArray();
    if (d.size() < 12) {
        status_ = QStringLiteral("garbled reply");
        return Result::Garbled;
    }
    identity_ = HartCodec::Identity{at(d, 1), at(d, 2), {at(d, 9), at(d, 10), at(d, 11)}};
    step_ = Step::Read;
    return Result::Answer;
}

LiveSource::Result HartSource::takeVariables(const SessionOutcome& outcome)
{
    const auto frame = answer(outcome.reply, kReadVariables);
    if (!frame) {
        status_ = QStringLiteral("garbled reply");
        return Result::Garbled;
    }
    // The loop current, then a unit code and four bytes per variable, as far as the byte
    // count reaches.
    const QByteArray d = frame->data();
    if (d.size() >= 4) cells_[0].number = floatAt(d, 0);
    for (int v = 0; v < 4; ++v) {
        const qsizetype unit = 4 + 5 * v;
        if (unit + 5 > d.size()) break;
        units_[size_t(v)] = at(d, unit);
        cells_[size_t(1 + v)].number = floatAt(d, unit + 1);
    }
    cells_[kColumns - 1].text = frame->status().summary(); // in words, as the HART page shows them
    status_ = QStringLiteral("ok");
    return Result::Answer;
}

std::vector<LiveCell> HartSource::cells() const { return cells_; }
