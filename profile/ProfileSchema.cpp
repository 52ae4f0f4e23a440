#include "profile/ProfileSchema.h"

#include "pages/monitor/MonitorCodec.h"
#include "tools/HexPairs.h"
#include "tools/HexText.h"

#include <QStringList>
#include <algorithm>

namespace ProfileSchema {

const QString kCustomMeter = QStringLiteral("Custom Meter");
const QString kFormatName = QStringLiteral("vk742b-profile");

namespace {

QList<QJsonValue> words(const QStringList& list)
{
    QList<QJsonValue> out;
    for (const QString& w : list) out << w;
    return out;
}

QList<QJsonValue> numbers(std::initializer_list<int> list)
{
    QList<QJsonValue> out;
    for (int n : list) out << n;
    return out;
}

QString quoted(const QJsonValue& v)
{
    return v.isString() ? u'"' + v.toString() + u'"' : QString::number(v.toInteger());
}

const QList<QJsonValue> kBauds = numbers({1200, 2400, 4800, 9600, 19200, 38400, 57600, 115200});
const QList<QJsonValue> kParities = words({"None", "Odd", "Even"});
const QList<QJsonValue> kReturnTimes = numbers({50, 100, 200, 300, 400, 500});
const QList<QJsonValue> kMeterTypes = words(
    {"Custom Meter", "Currency Meter", "KROHEN_IFC070", "KROHEN_IFC300", "KROEN_IFC090",
     "Siemens_MG500", "Siemens_FUS010", "Siemens_MASS600", "ABB_FIX100", "ABB_FMT200", "MP3", "HT56",
     "F56", "3051AMV", "SIERRA", "Yokogawa", "Emerson", "E+H_FU090", "EJX910", "Toshiba"});
const QStringList kFormats{"float", "float_swapped", "uint32", "uint32_swapped", "absolute_swapped"};

std::vector<Setting> build()
{
    std::vector<Setting> out;
    auto choice = [&](QString key, const char* control, QList<QJsonValue> choices, const char* button) {
        Setting s;
        s.key = std::move(key);
        s.control = control;
        s.choices = std::move(choices);
        s.setButton = button;
        out.push_back(s);
        return &out.back();
    };
    auto number = [&](QString key, const char* control, int low, int high, const char* button, int scale = 1) {
        Setting* s = choice(std::move(key), control, {}, button);
        s->kind = Kind::Number;
        s->low = low;
        s->high = high;
        s->scale = scale;
        return s;
    };
    auto other = [&](QString key, const char* control, Kind kind, const char* button) {
        Setting* s = choice(std::move(key), control, {}, button);
        s->kind = kind;
        return s;
    };

    // The converter's own settings, the baud rates aside (they go last).
    choice("system.working_mode", "ComboBox7",
           words({"transparent", "single_meter", "multi_slave", "monitoring_to_modbus", "monitoring_output"}),
           "Button24");
    number("system.slave_address", "Edit14", 1, 247, "Button29");
    choice("system.rs485a_return_time_ms", "RS485ADY", kReturnTimes, "Button15");
    choice("system.rs485b_return_time_ms", "RS485BDY", kReturnTimes, "Button33");
    number("system.instrument_interval_ms", "Edit6", 0, 9990, "Button27", 10);
    number("system.rs232_rs485a_base_address", "ABadr", 0, 99999, "Button28");
    number("system.rs485b_base_address", "BBadr", 0, 99999, "Button32");
    // The same converter setting as the working mode, as the MODBUS page shows it: read
    // back, never written on its own.
    Setting* module = choice("modbus.module_mode", "ComboBox14",
                             words({"transparent", "modbus_single", "modbus_multiple"}), "");
    module->optional = true;

    // Coefficients belong to the converter, not to a slot; every slot's query reports them.
    auto slot0 = [](Setting* s) { s->query = {Query::Device, 0}; };
    slot0(choice("modbus.coefficients.variable_1_mode", "ComboBox18",
                 words({"close", "m3s_to_m3h", "coefficient", "coefficient_x100_rounded"}), "Button2"));
    slot0(other("modbus.coefficients.variable_1", "Beilv", Kind::Coefficient, "Button2"));
    for (int v = 2; v <= 4; ++v)
        slot0(other(QStringLiteral("modbus.coefficients.variable_%1").arg(v),
                    qPrintable(QStringLiteral("xishu%1").arg(v)), Kind::Coefficient, "Button19"));

    for (int n = 0; n < 5; ++n) {
        const QString d = QStringLiteral("modbus.devices[%1].").arg(n);
        const size_t first = out.size();
        other(d + "enabled", "ComboBox6", Kind::Flag, "Button10");
        choice(d + "device_mode", "ComboBox16", words({"secondary_master", "master"}), "Button10");
        choice(d + "meter_type", "ComboBox17", kMeterTypes, "Button10");
        choice(d + "preamble_length", "ComboBox34", numbers({4, 5, 6, 7, 8, 9}), "Button10");
        number(d + "buffer_clear_time_s", "Edit1", 0, 999, "Button10");
        const char* formats[5][2] = {{"current", "FAMOUT1"}, {"variable_1", "FAMOUT3"}, {"variable_2", "FAMOUT5"},
                                     {"variable_3", "FAMOUT7"}, {"variable_4", "FAMOUT9"}};
        for (int f = 0; f < 5; ++f)
            choice(d + "formats." + formats[f][0], formats[f][1],
                   words(kFormats.mid(0, f == 0 ? 2 : f == 1 ? 4 : 5)), "Button21");
        const size_t custom = out.size();
        choice(d + "custom.address_bits", "ComboBox15", numbers({3, 4, 5, 6, 7, 8, 9}), "Button12");
        const char* rows[4][3] = {{"RADCOM1", "READADR1", "READLG1"}, {"RADCOM3", "READADR3", "READLG3"},
                                  {"RADCOM5", "READADR5", "READLG5"}, {"RADCOM7", "READADR7", "READLG7"}};
        for (int v = 0; v < 4; ++v) {
            const QString row = d + QStringLiteral("custom.parsing[%1].").arg(v);
            choice(row + "command", rows[v][0], words({"none", "command_1", "command_2"}), "Button12");
            number(row + "start", rows[v][1], 0, 99, "Button12");
            choice(row + "length_bytes", rows[v][2], numbers({4, 8}), "Button12");
        }
        const char* commands[2][3] = {{"ComboBox28", "Edit4", "Button17"}, {"ComboBox29", "Edit5", "Button18"}};
        for (int k = 0; k < 2; ++k) {
            const QString command = d + QStringLiteral("custom.read_commands[%1].").arg(k);
            other(command + "open", commands[k][0], Kind::Flag, commands[k][2]);
            other(command + "bytes", commands[k][1], Kind::HexCommand, commands[k][2]);
        }
        for (size_t i = first; i < out.size(); ++i) {
            out[i].device = n;
            out[i].query = {Query::Device, n};
            out[i].customOnly = i >= custom;
        }
    }

    for (int m = 1; m <= 6; ++m) {
        const MonitorCodec::Slot& slot = MonitorCodec::kSlots[m - 1];
        const QString key = QStringLiteral("monitoring[%1].").arg(m - 1);
        Setting* enabled = other(key + "enabled", slot.check, Kind::Flag, slot.set);
        enabled->query = {Query::Monitor, m};
        enabled->checkBox = true;
        other(key + "command", slot.edit, Kind::HexCommand, slot.set)->query = {Query::Monitor, m};
    }

    // The baud rates last: each makes the converter, and then the tool, change speed. The
    // RS232/RS485A port, which this link usually is, comes very last.
    choice("system.rs485b.baud", "ComboBox8", kBauds, "Button9");
    choice("system.rs485b.parity", "ComboBox9", kParities, "Button9");
    choice("system.rs232_rs485a.baud", "ComboBox2", kBauds, "Button5");
    choice("system.rs232_rs485a.parity", "ComboBox4", kParities, "Button5");
    return out;
}

} // namespace

const std::vector<Setting>& settings()
{
    static const std::vector<Setting> table = build();
    return table;
}

const Setting* find(const QString& key)
{
    for (const Setting& s : settings())
        if (s.key == key) return &s;
    return nullptr;
}

QString meterTypeKey(int device) { return QStringLiteral("modbus.devices[%1].meter_type").arg(device); }

QString Setting::accepts() const
{
    switch (kind) {
    case Kind::Choice: {
        QStringList list;
        for (const QJsonValue& v : choices) list << quoted(v);
        return QStringLiteral("one of ") + list.join(QStringLiteral(", "));
    }
    case Kind::Flag: return QStringLiteral("true or false");
    case Kind::Number:
        return scale == 1 ? QStringLiteral("a whole number from %1 to %2").arg(low).arg(high)
                          : QStringLiteral("a multiple of %1 from %2 to %3").arg(scale).arg(low).arg(high);
    case Kind::Coefficient:
        return QStringLiteral("five characters of digits and one decimal point, such as \"1.000\"");
    case Kind::HexCommand:
        return QStringLiteral("up to 14 bytes as capital hex pairs with one space between, such as "
                              "\"01 03 00 00 00 02\"");
    }
    return {};
}

bool Setting::accepts(const QJsonValue& value) const
{
    switch (kind) {
    case Kind::Choice: return choices.contains(value);
    case Kind::Flag: return value.isBool();
    case Kind::Number: {
        if (!value.isDouble()) return false;
        const double d = value.toDouble();
        const qint64 n = value.toInteger(-1);
        return d == double(n) && n >= low && n <= high && n % scale == 0;
    }
    case Kind::Coefficient: {
        if (!value.isString()) return false;
        const QString t = value.toString();
        // ASCII digits only: the pages send each character as one byte, and a digit of
        // another script would reach the converter as '?'.
        return t.size() == 5 && t.count(u'.') <= 1 &&
               std::all_of(t.begin(), t.end(), [](QChar c) { return (c >= u'0' && c <= u'9') || c == u'.'; }) &&
               t.front() != u'.' && t.back() != u'.';
    }
    case Kind::HexCommand: {
        if (!value.isString()) return false;
        const QString t = value.toString();
        // The pages' own reading of hex text, and no trailing blank: the converter reports
        // a command back without one.
        const BuiltRequest bytes = parseHexPairs(t, 14);
        return bytes.ok() && hexDisplay(bytes.bytes).trimmed() == t;
    }
    }
    return false;
}

} // namespace ProfileSchema
