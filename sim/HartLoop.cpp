#include "sim/HartLoop.h"

#include "sim/HartAnswers.h"
#include "sim/HartWrites.h"
#include "sim/InstrumentCatalogue.h"

#include <cmath>

namespace {

constexpr uint8_t kShortRequest = 0x02, kLongRequest = 0x82;
constexpr uint8_t kShortReply = 0x06, kLongReply = 0x86;
constexpr int kReplyPreambles = 5;

uint8_t checksum(const QByteArray& bytes, qsizetype from)
{
    uint8_t sum = 0;
    for (qsizetype i = from; i < bytes.size(); ++i) sum ^= static_cast<uint8_t>(bytes[i]);
    return sum;
}

} // namespace

HartLoop::HartLoop() : instruments(InstrumentCatalogue::instruments()) {}

HartInstrument* HartLoop::at(int pollAddress)
{
    for (HartInstrument& d : instruments)
        if (d.pollAddress == pollAddress) return &d;
    return nullptr;
}

std::array<float, 4> HartLoop::variables(const HartInstrument& d, double seconds)
{
    std::array<float, 4> v{};
    for (size_t i = 0; i < 4; ++i)
        v[i] = d.base[i] + float(0.02 * (d.base[i] + 1.0) * std::sin(seconds / (20.0 + 7.0 * i)));
    return v;
}

float HartLoop::loopCurrent(const HartInstrument& d, double seconds)
{
    if (d.fixedCurrent != 0) return d.fixedCurrent;
    return 12.0f + float(4.0 * std::sin(seconds / 30.0));
}

QByteArray HartLoop::reply(const HartInstrument& device, const QByteArray& address, uint8_t command,
                           const QByteArray& data, uint8_t responseCode, bool longFrame) const
{
    QByteArray out(kReplyPreambles, char(0xFF));
    const qsizetype start = out.size();
    out.append(static_cast<char>(longFrame ? kLongReply : kShortReply));
    out.append(address);
    out.append(static_cast<char>(command));
    out.append(static_cast<char>(data.size() + 2));
    out.append(static_cast<char>(responseCode));
    out.append(static_cast<char>(device.status));
    out.append(data);
    out.append(static_cast<char>(checksum(out, start)));
    return out;
}

QByteArray HartLoop::handle(const QByteArray& frame, double seconds)
{
    // At least two preamble bytes, as field devices need to synchronise.
    qsizetype p = 0;
    while (p < frame.size() && static_cast<uint8_t>(frame[p]) == 0xFF) ++p;
    if (p < 2 || p >= frame.size()) return {};
    const uint8_t delimiter = static_cast<uint8_t>(frame[p]);
    const bool longFrame = delimiter == kLongRequest;
    if (!longFrame && delimiter != kShortRequest) return {};
    const int addressSize = longFrame ? 5 : 1;
    const qsizetype header = p + 1 + addressSize + 2; // delimiter, address, command, count
    if (frame.size() < header + 1) return {};
    const uint8_t count = static_cast<uint8_t>(frame[header - 1]);
    if (frame.size() != header + count + 1) return {};
    if (checksum(frame.left(header + count), p) != static_cast<uint8_t>(frame[header + count]))
        return {};

    const QByteArray address = frame.mid(p + 1, addressSize);
    const uint8_t command = static_cast<uint8_t>(frame[header - 2]);
    const QByteArray data = frame.mid(header, count);

    HartInstrument* device = nullptr;
    for (HartInstrument& d : instruments) {
        const auto* a = reinterpret_cast<const uint8_t*>(address.constData());
        const bool match = longFrame ? ((a[0] & 0x3F) == (d.manufacturer & 0x3F) &&
                                        a[1] == d.deviceType && a[2] == d.id[0] &&
                                        a[3] == d.id[1] && a[4] == d.id[2])
                                     : (a[0] & 0x3F) == d.pollAddress;
        if (match) {
            device = &d;
            break;
        }
    }
    if (!device) return {};

    std::optional<HartAnswer> answer = HartWrites::write(*device, command, data);
    if (!answer) answer = HartAnswers::read(*device, command, data, seconds);
    if (!answer) answer = HartAnswer::refused(HartCode::kNotImplemented);
    return reply(*device, address, command, answer->data, answer->code, longFrame);
}
