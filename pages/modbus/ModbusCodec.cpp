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

QByteArray queryRequest(int slot) { return QByteArray("QQQ#QQ") + itemDigit(slot) + '#'; }

QByteArray slotSettingsRequest(int slot, const SlotSettings& s)
{
    return QByteArray("QQS#HART") + itemDigit(slot) + ':' + itemDigit(s.enabled) + ',' +
           itemDigit(s.deviceMode) + ',' + digitEncoding(s.meterType, 2) + ',' +
           char('4' + s.preamble) + ',' + digitEncoding(s.clearTime, 3) + '#';
}

QByteArray formatsRequest(int slot, const std::array<int, 5>& formats)
{
    QByteArray r = QByteArray("QQS#DFOT") + itemDigit(slot) + ':';
    for (int f : formats) r += itemDigit(f);
    return r + '#';
}

QByteArray parsingRequest(int slot, int addressBits, const std::array<ParseRow, 4>& rows)
{
    QByteArray r = QByteArray("QQS#MDBS") + itemDigit(slot) + ':' + char('3' + addressBits);
    for (const ParseRow& row : rows)
        r += ',' + QByteArray(1, itemDigit(row.command)) + digitEncoding(row.start, 2) +
             itemDigit(row.length);
    return r + '#';
}

QByteArray moduleModeRequest(int mode) { return SystemCodec::choiceRequest("MD", mode); }

QByteArray coefficientModeRequest(int mode, const QByteArray& five)
{
    return QByteArray("QQS#FMW:") + itemDigit(mode) + ',' + five + '#';
}

QByteArray coefficientsRequest(const QByteArray& two, const QByteArray& three,
                               const QByteArray& four)
{
    return "QQS#FMU:" + two + ',' + three + ',' + four + '#';
}

QByteArray customCommandRequest(int slot, int command, int open, const QByteArray& bytes)
{
    const int n = int(bytes.size());
    return QByteArray("QQS#CAMD") + itemDigit(slot) + char('0' + command) + ':' + itemDigit(open) +
           '<' + char('0' + n / 10) + char('0' + n % 10) + ',' + bytes;
}

namespace {

// First position of a key whose "?" characters match anything; -1 when absent.
qsizetype findKey(const QByteArray& text, const char* pattern)
{
    const QByteArray key(pattern);
    for (qsizetype at = 0; at + key.size() <= text.size(); ++at) {
        bool match = true;
        for (qsizetype k = 0; k < key.size() && match; ++k)
            match = key[k] == '?' || key[k] == text[at + k];
        if (match) return at;
    }
    return -1;
}

class Reader {
public:
    Reader(const QByteArray& text, std::vector<FieldUpdate>& out) : text_(text), out_(out) {}

    // Sets the key's position; false when the key is absent.
    bool key(const char* pattern) { return (at_ = findKey(text_, pattern)) >= 0; }
    int number(qsizetype offset, qsizetype count = 1) { return StrToIntAt(text_, at_ + offset, count); }
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

Decoded decodeReply(const QByteArray& text, int meterTypeNow)
{
    Decoded out;
    if (!text.contains("QQ")) return out;
    Reader r(text, out.updates);
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
        if (r.key("HART?:")) {
            r.item("ComboBox6", 6);
            r.item("ComboBox16", 8);
            meterType = r.number(10, 2);
            out.updates.push_back(FieldUpdate::item("ComboBox17", meterType));
            r.item("ComboBox34", 13, 4);
            r.chars("Edit1", 15, 3);
        }
        if (r.key("DFO?:")) {
            const char* formats[] = {"FAMOUT1", "FAMOUT3", "FAMOUT5", "FAMOUT7", "FAMOUT9"};
            for (int i = 0; i < 5; ++i) r.item(formats[i], 5 + i);
        }
        // Only a custom meter (type 0) reads the parsing table and its commands.
        const bool custom = meterType == 0;
        out.updates.push_back(FieldUpdate::visible("GroupBox13", custom));
        if (!custom) return out;
        if (r.key("ZDY?:")) {
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
        } commands[] = {{"CAMD?1:", "ComboBox28", "Edit4"}, {"CAMD?2:", "ComboBox29", "Edit5"}};
        for (const auto& c : commands) {
            if (!r.key(c.key)) continue;
            r.item(c.open, 7);
            r.chars(c.edit, 12, 3 * qsizetype(r.number(9, 2)) - 1);
        }
    } catch (const EConvertError& e) {
        out.error = QString::fromStdString(e.what());
    }
    return out;
}

} // namespace ModbusCodec
