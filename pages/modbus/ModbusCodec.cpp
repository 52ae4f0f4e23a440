#include "pages/modbus/ModbusCodec.h"

#include "exchange/Conversion.h"
#include "pages/system/SystemCodec.h"

namespace ModbusCodec {

using SystemCodec::digitEncoding;
using SystemCodec::itemDigit;

QString registerLabel(int slot, int value)
{
    return QStringLiteral("400%1%2").arg(slot).arg(2 * value + 1);
}

namespace {

using SystemCodec::Choice;
using SystemCodec::checkChoice;

const Choice kSlotList{"Meter ID", kSlots, "a device"};
const Choice kOpenList{"Enabled", 2, "Open or Close"};
const Choice kDeviceModes{"Device Mode", 2, "a mode"};
const Choice kMeterTypeList{"Meter Type", kMeterTypes, "a meter"};
const Choice kPreambles{"Preamble Length", 6, "a length"};
const Choice kFormats[5] = {{"current(RTU_ADR) format", 2, "a format"},
                            {"Variable_1(RTU_ADR) format", 4, "a format"},
                            {"Variable_2(RTU_ADR) format", 5, "a format"},
                            {"Variable_3(RTU_ADR) format", 5, "a format"},
                            {"Variable_4(RTU_ADR) format", 5, "a format"}};
const Choice kAddressBits{"Address Bits", 7, "a count"};
const Choice kModuleModes{"Module Operation Mode", 3, "a mode"};
const Choice kCoefficientModes{"Variable 1 Coefficient", 4, "a mode"};

QString rowField(int row, const char* column) { return QStringLiteral("Variable_%1 %2").arg(row + 1).arg(column); }

} // namespace

BuiltRequest queryRequest(int slot)
{
    return buildChecked({checkChoice(kSlotList, slot)}, [&] { return QByteArray("QQQ#QQ") + itemDigit(slot) + '#'; });
}

BuiltRequest slotSettingsRequest(int slot, const SlotSettings& s)
{
    return buildChecked({checkChoice(kSlotList, slot), checkChoice(kOpenList, s.enabled),
                         checkChoice(kDeviceModes, s.deviceMode), checkChoice(kMeterTypeList, s.meterType),
                         checkChoice(kPreambles, s.preamble),
                         FieldCheck::number("Buffer Clear Time", s.clearTime, 0, 999)},
                        [&] {
                            return QByteArray("QQS#HART") + itemDigit(slot) + ':' + itemDigit(s.enabled) +
                                   ',' + itemDigit(s.deviceMode) + ',' + digitEncoding(s.meterType, 2) +
                                   ',' + char('4' + s.preamble) + ',' + digitEncoding(s.clearTime, 3) + '#';
                        });
}

BuiltRequest formatsRequest(int slot, const std::array<int, 5>& formats)
{
    return buildChecked({checkChoice(kSlotList, slot), checkChoice(kFormats[0], formats[0]),
                         checkChoice(kFormats[1], formats[1]), checkChoice(kFormats[2], formats[2]),
                         checkChoice(kFormats[3], formats[3]), checkChoice(kFormats[4], formats[4])},
                        [&] {
                            QByteArray r = QByteArray("QQS#DFOT") + itemDigit(slot) + ':';
                            for (int f : formats) r += itemDigit(f);
                            return r + '#';
                        });
}

BuiltRequest parsingRequest(int slot, int addressBits, const std::array<ParseRow, 4>& rows)
{
    for (int v = 0; v < 4; ++v) {
        const ParseRow& row = rows[size_t(v)];
        const QString refusal =
            firstRefusal({FieldCheck::choice(rowField(v, "Command Number"), row.command, 3, "a command"),
                          FieldCheck::number(rowField(v, "Start Addr."), row.start, 0, 99),
                          FieldCheck::choice(rowField(v, "Data Length"), row.length, 2, "a length")});
        if (!refusal.isEmpty()) return BuiltRequest::refused(refusal);
    }
    return buildChecked({checkChoice(kSlotList, slot), checkChoice(kAddressBits, addressBits)}, [&] {
        QByteArray r = QByteArray("QQS#MDBS") + itemDigit(slot) + ':' + char('3' + addressBits);
        for (const ParseRow& row : rows)
            r += ',' + QByteArray(1, itemDigit(row.command)) + digitEncoding(row.start, 2) +
                 itemDigit(row.length);
        return r + '#';
    });
}

BuiltRequest moduleModeRequest(int mode) { return SystemCodec::choiceRequest("MD", kModuleModes, mode); }

BuiltRequest coefficientModeRequest(int mode, const QByteArray& five)
{
    return buildChecked({checkChoice(kCoefficientModes, mode)},
                        [&] { return QByteArray("QQS#FMW:") + itemDigit(mode) + ',' + five + '#'; });
}

QByteArray coefficientsRequest(const QByteArray& two, const QByteArray& three,
                               const QByteArray& four)
{
    return "QQS#FMU:" + two + ',' + three + ',' + four + '#';
}

BuiltRequest customCommandRequest(int slot, int command, int open, const QByteArray& bytes)
{
    const Choice openList{command == 1 ? "Read Meter Command 1" : "Read Meter Command 2", 2, "Open or Close"};
    const int n = int(bytes.size());
    return buildChecked({FieldCheck::number(QStringLiteral("Read Meter Command"), command, 1, 2),
                         checkChoice(kSlotList, slot), checkChoice(openList, open),
                         FieldCheck::number(QStringLiteral("%1 byte count").arg(openList.field), n, 0, kCommandBytes)},
                        [&] {
                            return QByteArray("QQS#CAMD") + itemDigit(slot) + char('0' + command) + ':' +
                                   itemDigit(open) + '<' + char('0' + n / 10) + char('0' + n % 10) + ',' + bytes;
                        });
}

namespace {

// A two-character count or type: digits only, a sign is the conversion error.
int digitsAt(const QByteArray& text, qsizetype pos, qsizetype count)
{
    const QByteArray field = text.mid(pos, count);
    if (field.startsWith('-') || field.startsWith('+')) throw EConvertError(QString::fromLatin1(field));
    return StrToIntAt(text, pos, count);
}

class Reader {
public:
    Reader(const QByteArray& text, std::vector<FieldUpdate>& out) : text_(text), out_(out) {}

    // Sets the key's position; false when the key is absent.
    bool key(const QByteArray& key) { return (at_ = text_.indexOf(key)) >= 0; }
    int number(qsizetype offset, qsizetype count = 1) { return StrToIntAt(text_, at_ + offset, count); }
    int digits(qsizetype offset, qsizetype count) { return digitsAt(text_, at_ + offset, count); }
    void item(const char* control, qsizetype offset, int minus = 0)
    {
        out_.push_back(FieldUpdate::item(control, number(offset) - minus));
    }
    void items(std::initializer_list<const char*> controls, qsizetype offset)
    {
        const int value = number(offset);
        for (const char* c : controls) out_.push_back(FieldUpdate::item(c, value));
    }
    void chars(const char* control, qsizetype offset, qsizetype count)
    {
        out_.push_back(FieldUpdate::edit(control, count > 0 ? text_.mid(at_ + offset, count) : QByteArray()));
    }

private:
    const QByteArray& text_;
    std::vector<FieldUpdate>& out_;
    qsizetype at_ = -1;
};

} // namespace

Decoded decodeReply(const QByteArray& text, int meterTypeNow, int slot)
{
    Decoded out;
    if (!text.contains("QQ")) return out;
    Reader r(text, out.updates);
    // Keys that carry a slot digit count only for the selected slot: a late reply for
    // another slot must not fill this one's page. Without a slot none of them is read.
    const bool slotChosen = slot >= 0 && slot < kSlots;
    auto slotKey = [&](const char* letters, const char* rest) {
        return slotChosen ? QByteArray(letters) + itemDigit(slot) + rest : QByteArray();
    };
    auto slotKeyIn = [&](const char* letters, const char* rest) {
        const QByteArray key = slotKey(letters, rest);
        return !key.isEmpty() && r.key(key);
    };
    try {
        if (r.key("FMW:")) {
            r.item("ComboBox18", 4);
            r.chars("Beilv", 6, 5);
        }
        if (r.key("FMU:")) {
            r.chars("xishu2", 4, 5);
            r.chars("xishu3", 10, 5);
            r.chars("xishu4", 16, 5);
        }
        int meterType = meterTypeNow;
        if (slotKeyIn("HART", ":")) {
            r.item("ComboBox6", 6);
            r.item("ComboBox16", 8);
            meterType = r.digits(10, 2);
            out.updates.push_back(FieldUpdate::item("ComboBox17", meterType));
            r.item("ComboBox34", 13, 4);
            r.chars("Edit1", 15, 3);
        }
        if (slotKeyIn("DFO", ":")) {
            const char* formats[] = {"FAMOUT1", "FAMOUT3", "FAMOUT5", "FAMOUT7", "FAMOUT9"};
            for (int i = 0; i < 5; ++i) r.item(formats[i], 5 + i);
        }
        // Only a custom meter (type 0) reads the parsing table and its commands.
        const bool custom = meterType == 0;
        out.updates.push_back(FieldUpdate::visible("GroupBox13", custom));
        if (!custom) return out;
        if (slotKeyIn("ZDY", ":")) {
            r.item("ComboBox15", 5, 3);
            const char* rows[4][3] = {{"RADCOM1", "READADR1", "READLG1"},
                                      {"RADCOM3", "READADR3", "READLG3"},
                                      {"RADCOM5", "READADR5", "READLG5"},
                                      {"RADCOM7", "READADR7", "READLG7"}};
            for (int v = 0; v < 4; ++v) {
                r.item(rows[v][0], 7 + 5 * v);
                r.chars(rows[v][1], 8 + 5 * v, 2);
                r.item(rows[v][2], 10 + 5 * v);
            }
        }
        if (r.key("MD:")) r.items({"ComboBox14", "ComboBox7"}, 3);
        const struct {
            const char* key;
            const char* open;
            const char* edit;
        } commands[] = {{"1:", "ComboBox28", "Edit4"}, {"2:", "ComboBox29", "Edit5"}};
        for (const auto& c : commands) {
            if (!slotKeyIn("CAMD", c.key)) continue;
            r.item(c.open, 7);
            r.chars(c.edit, 12, 3 * qsizetype(r.digits(9, 2)) - 1);
        }
    } catch (const EConvertError& e) {
        out.error = e.message();
    }
    return out;
}

QStringList missingKeys(const QByteArray& text, int meterTypeNow, int slot)
{
    if (!text.contains("QQ")) return {QStringLiteral("QQ")};
    if (slot < 0 || slot >= kSlots) return {};
    QStringList missing;
    // Where the key starts, or -1 (and listed missing) when it or its `width` characters are
    // not all there yet.
    auto complete = [&](const QByteArray& key, qsizetype width) {
        const qsizetype at = text.indexOf(key);
        if (at >= 0 && at + width <= text.size()) return at;
        missing << QString::fromLatin1(key);
        return qsizetype(-1);
    };
    auto slotKey = [&](const char* letters, const char* rest) { return QByteArray(letters) + itemDigit(slot) + rest; };
    // As decodeReply reads them: "FMW:" then a digit and five characters at 6, "HART2:"
    // up to the clear time's three digits at 15, and so on.
    complete("FMW:", 11);
    complete("FMU:", 21);
    int meterType = meterTypeNow;
    if (const qsizetype at = complete(slotKey("HART", ":"), 18); at >= 0) {
        bool ok = false;
        meterType = text.mid(at + 10, 2).toInt(&ok);
        if (!ok) return missing; // the decoder stops at this field with the conversion error
    }
    complete(slotKey("DFO", ":"), 10);
    if (meterType != 0) return missing;
    complete(slotKey("ZDY", ":"), 26);
    complete("MD:", 4);
    for (const char* command : {"1:", "2:"}) {
        // The count's two digits at 9, then that many hex pairs from 12.
        const qsizetype at = complete(slotKey("CAMD", command), 11);
        if (at < 0) continue;
        bool ok = false;
        const int count = text.mid(at + 9, 2).toInt(&ok);
        if (ok && count > 0 && at + 11 + 3 * count > text.size()) missing << QString::fromLatin1(slotKey("CAMD", command));
    }
    return missing;
}

} // namespace ModbusCodec
