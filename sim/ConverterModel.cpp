#include "sim/ConverterModel.h"

#include "tools/HexText.h"

#include <optional>

namespace {

QByteArray ok(const QByteArray& key) { return "QQS#" + key + ":OK#"; }
QByteArray refused(const QByteArray& why) { return "QQS#ERR:" + why + "#"; }

// A reader over a request body that fails softly: every take returns nothing once the
// body no longer has what it expects.
class Fields {
public:
    explicit Fields(const QByteArray& text) : text_(text) {}

    bool literal(const char* expected)
    {
        const QByteArray e(expected);
        if (!ok_ || text_.mid(pos_, e.size()) != e) return fail();
        pos_ += e.size();
        return true;
    }
    // A number written as `width` decimal digits, within [low, high].
    std::optional<int> digits(int width, int low = 0, int high = 99999)
    {
        if (!ok_ || pos_ + width > text_.size()) return fail(), std::nullopt;
        int value = 0;
        for (int i = 0; i < width; ++i) {
            const char c = text_[pos_ + i];
            if (c < '0' || c > '9') return fail(), std::nullopt;
            value = value * 10 + (c - '0');
        }
        if (value < low || value > high) return fail(), std::nullopt;
        pos_ += width;
        return value;
    }
    QByteArray raw(int count)
    {
        if (!ok_ || pos_ + count > text_.size()) return fail(), QByteArray();
        pos_ += count;
        return text_.mid(pos_ - count, count);
    }
    bool atEnd() const { return ok_ && pos_ == text_.size(); }
    bool good() const { return ok_; }

private:
    bool fail() { return ok_ = false; }
    const QByteArray& text_;
    qsizetype pos_ = 0;
    bool ok_ = true;
};

QByteArray number(int value, int width) { return QByteArray::number(value).rightJustified(width, '0'); }

} // namespace

bool ConverterModel::isConfigRequest(const QByteArray& b)
{
    return b.startsWith("QQS#") || b.startsWith("QQQ#") || b.startsWith("KQTRLV#");
}

QByteArray ConverterModel::handle(const QByteArray& request)
{
    if (request.startsWith("QQS#")) return set(request.mid(4));
    if (request.startsWith("QQQ#")) return query(request.mid(4));
    if (request.startsWith("KQTRLV#PCBSN:")) {
        const QByteArray body = request.mid(13);
        const qsizetype comma = body.indexOf(',');
        if (comma < 1 || !body.endsWith('#') || comma + 2 > body.size() - 1)
            return refused("PCBSN");
        const QByteArray serial = body.left(comma), inspector = body.mid(comma + 1, body.size() - comma - 2);
        auto digitsOnly = [](const QByteArray& s) {
            for (char c : s)
                if (c < '0' || c > '9') return false;
            return !s.isEmpty() && s.size() <= 10;
        };
        if (!digitsOnly(serial) || !digitsOnly(inspector)) return refused("PCBSN");
        state.boardSerial = serial;
        state.inspector = inspector;
        return "KQTRLV#PCBSN:OK#";
    }
    return refused("UNKNOWN");
}

QByteArray ConverterModel::set(const QByteArray& body)
{
    ConverterState next = state;
    Fields f(body);
    QByteArray key;
    auto portSet = [&](const char* k, int& baud, int& parity) {
        key = k;
        f.literal(k);
        f.literal(":");
        const auto b = f.digits(1, 0, 7);
        const auto p = f.digits(1, 0, 2);
        f.literal("#");
        if (b && p) baud = *b, parity = *p;
    };
    auto one = [&](const char* k, int& target, int width, int high) {
        key = k;
        f.literal(k);
        f.literal(":");
        if (const auto v = f.digits(width, 0, high)) target = *v;
        f.literal("#");
    };
    // Keys that name a device slot: the key, then the slot digit.
    auto slotKey = [&](const char* k) -> DeviceSlot& {
        key = k;
        f.literal(k);
        return next.devices[size_t(f.digits(1, 0, 4).value_or(0))];
    };

    if (body.startsWith("BA1:")) portSet("BA1", next.baud1, next.parity1);
    else if (body.startsWith("BA2:")) portSet("BA2", next.baud2, next.parity2);
    else if (body.startsWith("MD:")) one("MD", next.mode, 1, 4);
    else if (body.startsWith("ADR:")) one("ADR", next.address, 3, 247);
    else if (body.startsWith("XY1:")) one("XY1", next.returnA, 1, 5);
    else if (body.startsWith("XY2:")) one("XY2", next.returnB, 1, 5);
    else if (body.startsWith("JTM:")) one("JTM", next.pollInterval, 3, 999);
    else if (body.startsWith("AADR:")) one("AADR", next.baseA, 5, 99999);
    else if (body.startsWith("BADR:")) one("BADR", next.baseB, 5, 99999);
    else if (body == "RESET#") {
        state = ConverterState{};
        return ok("RESET");
    } else if (body == "YB:1#" || body == "YB:2#") {
        return ok("YB");
    } else if (body.startsWith("HART")) {
        DeviceSlot& s = slotKey("HART");
        f.literal(":");
        s.enabled = f.digits(1, 0, 1).value_or(0);
        f.literal(",");
        s.deviceMode = f.digits(1, 0, 1).value_or(0);
        f.literal(",");
        s.meterType = f.digits(2, 0, 19).value_or(0);
        f.literal(",");
        s.preambleDigit = f.digits(1, 4, 9).value_or(4);
        f.literal(",");
        s.clearTime = f.digits(3, 0, 999).value_or(0);
        f.literal("#");
    } else if (body.startsWith("DFOT")) {
        DeviceSlot& s = slotKey("DFOT");
        f.literal(":");
        for (int i = 0; i < 5; ++i) s.formats[size_t(i)] = f.digits(1, 0, i == 0 ? 1 : 4).value_or(0);
        f.literal("#");
    } else if (body.startsWith("MDBS")) {
        DeviceSlot& s = slotKey("MDBS");
        f.literal(":");
        s.addressBitsDigit = f.digits(1, 3, 9).value_or(3);
        for (auto& p : s.parsing) {
            f.literal(",");
            p.command = f.digits(1, 0, 2).value_or(0);
            p.start = f.digits(2, 0, 99).value_or(0);
            p.length = f.digits(1, 0, 9).value_or(0);
        }
        f.literal("#");
    } else if (body.startsWith("FMW:")) {
        key = "FMW";
        f.literal("FMW:");
        next.coefficientMode = f.digits(1, 0, 9).value_or(0);
        f.literal(",");
        next.coefficientW = f.raw(5);
        f.literal("#");
    } else if (body.startsWith("FMU:")) {
        key = "FMU";
        f.literal("FMU:");
        for (size_t i = 0; i < 3; ++i) {
            if (i) f.literal(",");
            next.coefficientsU[i] = f.raw(5);
        }
        f.literal("#");
    } else if (body.startsWith("CAMD")) {
        // Raw bytes follow the count; there is no closing "#".
        DeviceSlot& s = slotKey("CAMD");
        const int which = f.digits(1, 1, 2).value_or(1);
        f.literal(":");
        const int open = f.digits(1, 0, 1).value_or(0);
        f.literal("<");
        const int count = f.digits(2, 0, 14).value_or(0);
        f.literal(",");
        s.custom[size_t(which - 1)] = {open, f.raw(count)};
    } else if (body.startsWith("WCAD0")) {
        key = "WCAD";
        f.literal("WCAD0");
        const int slot = f.digits(1, 1, 6).value_or(1);
        f.literal(":");
        const bool enabled = f.digits(1, 0, 1).value_or(0) == 1;
        f.literal("<");
        const int count = f.digits(2, 0, 14).value_or(0);
        f.literal(",");
        next.monitors[size_t(slot - 1)] = {enabled, f.raw(count)};
    } else {
        return refused("UNKNOWN");
    }
    if (!f.atEnd()) return refused(key);
    state = next;
    return ok(key);
}

QByteArray ConverterModel::query(const QByteArray& body)
{
    if (body == "QV#") return "QQQ#QV:VK742-B V6.0#";
    if (body == "QX#") return systemReply();
    if (body.size() == 4 && body.startsWith("QQ") && body[2] >= '0' && body[2] <= '4' && body[3] == '#')
        return slotReply(body[2] - '0');
    if (body.size() == 7 && body.startsWith("RCAD0") && body[5] >= '1' && body[5] <= '6' &&
        body[6] == '#')
        return monitorReply(body[5] - '1');
    return "QQQ#ERR:UNKNOWN#";
}

QByteArray ConverterModel::systemReply() const
{
    const ConverterState& s = state;
    return "QQQ#QX:BA1:" + QByteArray::number(s.baud1) + QByteArray::number(s.parity1) +
           "#BA2:" + QByteArray::number(s.baud2) + QByteArray::number(s.parity2) +
           "#MD:" + QByteArray::number(s.mode) + "#ADR:" + number(s.address, 3) +
           "#XY1:" + QByteArray::number(s.returnA) + "#XY2:" + QByteArray::number(s.returnB) +
           "#JTM:" + number(s.pollInterval, 3) + "#AADR:" + number(s.baseA, 5) + "," +
           number(s.baseB, 5) + "#";
}

QByteArray ConverterModel::slotReply(int slot) const
{
    const DeviceSlot& d = state.devices[size_t(slot)];
    const QByteArray n = QByteArray::number(slot);
    QByteArray r = "QQQ#QQ" + n + "#FMW:" + QByteArray::number(state.coefficientMode) + "," +
                   state.coefficientW + "#FMU:" + state.coefficientsU[0] + "," +
                   state.coefficientsU[1] + "," + state.coefficientsU[2] + "#";
    r += "HART" + n + ":" + QByteArray::number(d.enabled) + "," + QByteArray::number(d.deviceMode) +
         "," + number(d.meterType, 2) + "," + QByteArray::number(d.preambleDigit) + "," +
         number(d.clearTime, 3) + "#";
    r += "DFO" + n + ":";
    for (int f : d.formats) r += QByteArray::number(f);
    r += "#ZDY" + n + ":" + QByteArray::number(d.addressBitsDigit);
    for (const auto& p : d.parsing)
        r += "," + QByteArray::number(p.command) + number(p.start, 2) + QByteArray::number(p.length);
    r += "#MD:" + QByteArray::number(state.mode) + "#";
    for (int i = 0; i < 2; ++i) {
        const auto& c = d.custom[size_t(i)];
        r += "CAMD" + n + QByteArray::number(i + 1) + ":" + QByteArray::number(c.open) + "<" +
             number(int(c.bytes.size()), 2) + "," + hexDisplay(c.bytes).trimmed().toLatin1() + "#";
    }
    return r;
}

QByteArray ConverterModel::monitorReply(int slot) const
{
    const MonitorSlot& m = state.monitors[size_t(slot)];
    return "QQQ#RCAD" + QByteArray::number(slot + 1) + ":" + (m.enabled ? "1" : "0") + "<" +
           number(int(m.bytes.size()), 2) + "," + hexDisplay(m.bytes).trimmed().toLatin1() + "#";
}
