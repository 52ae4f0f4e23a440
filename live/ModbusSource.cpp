#include "live/ModbusSource.h"

#include "tools/ModbusReply.h"
#include "tools/ModbusTest.h"

namespace {

constexpr int kRegistersPerSlot = 10;
const char* const kValueNames[RegisterFormat::kValues] = {"current", "variable_1", "variable_2", "variable_3",
                                                          "variable_4"};

} // namespace

ModbusSource::ModbusSource(int slave, int slot, RegisterFormat::SlotFormats formats)
    : slave_(slave), slot_(slot), formats_(formats), cells_(RegisterFormat::kValues)
{
}

QString ModbusSource::name() const { return QStringLiteral("slot%1").arg(slot_); }

std::vector<LiveColumn> ModbusSource::columns() const
{
    std::vector<LiveColumn> out;
    for (const char* value : kValueNames) out.push_back({name() + u'.' + QLatin1String(value), {}, false});
    return out;
}

void ModbusSource::begin()
{
    asked_ = false;
    cells_.assign(RegisterFormat::kValues, {});
    status_.clear();
}

std::optional<SessionRequest> ModbusSource::next()
{
    if (asked_) return std::nullopt;
    asked_ = true;
    SessionRequest r;
    r.frame = modbusReadRequest(slave_, kRegistersPerSlot * slot_, kRegistersPerSlot).bytes;
    r.display = FrameDisplay::Hex;
    const uint8_t slave = uint8_t(slave_);
    r.missing = [slave](const QByteArray& reply) { return ModbusReply::missing(reply, slave); };
    r.readable = [slave](const QByteArray& reply) {
        return ModbusReply::read(reply, slave, kRegistersPerSlot).kind != ModbusReply::Answer::Kind::Garbled;
    };
    return r;
}

LiveSource::Result ModbusSource::take(const SessionOutcome& outcome)
{
    switch (outcome.kind) {
    case SessionOutcome::Kind::TimedOut: status_ = QStringLiteral("no answer"); return Result::TimedOut;
    case SessionOutcome::Kind::PortLost: status_ = QStringLiteral("port lost"); return Result::PortLost;
    default: break;
    }
    const ModbusReply::Answer answer = ModbusReply::read(outcome.reply, uint8_t(slave_), kRegistersPerSlot);
    switch (answer.kind) {
    case ModbusReply::Answer::Kind::Garbled: status_ = QStringLiteral("CRC error"); return Result::Garbled;
    case ModbusReply::Answer::Kind::Exception:
        status_ = QStringLiteral("exception %1")
                      .arg(QString::number(answer.exceptionCode, 16).toUpper().rightJustified(2, u'0'));
        return Result::Exception;
    case ModbusReply::Answer::Kind::Registers: break;
    }
    for (int v = 0; v < RegisterFormat::kValues; ++v)
        cells_[size_t(v)].number =
            RegisterFormat::decode(answer.registers[size_t(2 * v)], answer.registers[size_t(2 * v + 1)],
                                   formats_[size_t(v)]);
    status_ = QStringLiteral("ok");
    return Result::Answer;
}

std::vector<LiveCell> ModbusSource::cells() const { return cells_; }
