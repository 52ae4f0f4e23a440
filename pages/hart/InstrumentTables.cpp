#include "pages/hart/InstrumentTables.h"

#include <algorithm>
#include <array>
#include <optional>

namespace InstrumentTables {

namespace {

struct Entry {
    int code;
    const char* text; // UTF-8
};

constexpr Entry kUnits[] = {
    {1, "inH2O at 68 °F"},
    {2, "inHg at 0 °C"},
    {3, "ftH2O at 68 °F"},
    {4, "mmH2O at 68 °F"},
    {5, "mmHg at 0 °C"},
    {6, "psi"},
    {7, "bar"},
    {8, "mbar"},
    {9, "g/cm²"},
    {10, "kg/cm²"},
    {11, "Pa"},
    {12, "kPa"},
    {13, "torr"},
    {14, "atm"},
    {15, "ft³/min"},
    {16, "gal/min"},
    {17, "L/min"},
    {18, "imp gal/min"},
    {19, "m³/h"},
    {20, "ft/s"},
    {21, "m/s"},
    {22, "gal/s"},
    {23, "Mgal/d"},
    {24, "L/s"},
    {25, "ML/d"},
    {26, "ft³/s"},
    {27, "ft³/d"},
    {28, "m³/s"},
    {29, "m³/d"},
    {30, "imp gal/h"},
    {31, "imp gal/d"},
    {32, "°C"},
    {33, "°F"},
    {34, "°R"},
    {35, "K"},
    {36, "mV"},
    {37, "Ω"},
    {38, "Hz"},
    {39, "mA"},
    {40, "gal"},
    {41, "L"},
    {42, "imp gal"},
    {43, "m³"},
    {44, "ft"},
    {45, "m"},
    {46, "bbl"},
    {47, "in"},
    {48, "cm"},
    {49, "mm"},
    {50, "min"},
    {51, "s"},
    {52, "h"},
    {53, "d"},
    {54, "cSt"},
    {55, "cP"},
    {56, "µS"},
    {57, "%"},
    {58, "V"},
    {59, "pH"},
    {60, "g"},
    {61, "kg"},
    {62, "t"},
    {63, "lb"},
    {64, "short ton"},
    {65, "long ton"},
    {66, "mS/cm"},
    {67, "µS/cm"},
    {68, "N"},
    {69, "N·m"},
    {70, "g/s"},
    {71, "g/min"},
    {72, "g/h"},
    {73, "kg/s"},
    {74, "kg/min"},
    {75, "kg/h"},
    {76, "kg/d"},
    {77, "t/min"},
    {78, "t/h"},
    {79, "t/d"},
    {80, "lb/s"},
    {81, "lb/min"},
    {82, "lb/h"},
    {83, "lb/d"},
    {84, "short ton/min"},
    {85, "short ton/h"},
    {86, "short ton/d"},
    {87, "long ton/h"},
    {88, "long ton/d"},
    {89, "deka therm"},
    {90, "SGU"},
    {91, "g/cm³"},
    {92, "kg/m³"},
    {93, "lb/gal"},
    {94, "lb/ft³"},
    {95, "g/mL"},
    {96, "kg/L"},
    {97, "g/L"},
    {98, "lb/in³"},
    {99, "short ton/yd³"},
    {100, "°Tw"},
    {101, "°Bx"},
    {102, "°Bé heavy"},
    {103, "°Bé light"},
    {104, "°API"},
    {105, "% solids/weight"},
    {106, "% solids/volume"},
    {107, "°Balling"},
    {108, "proof/volume"},
    {109, "proof/mass"},
    {110, "bushel"},
    {111, "yd³"},
    {112, "ft³"},
    {113, "in³"},
    {114, "in/s"},
    {115, "in/min"},
    {116, "ft/min"},
    {117, "°/s"},
    {118, "rev/s"},
    {119, "rpm"},
    {120, "m/h"},
    {121, "Nm³/h"},
    {122, "NL/h"},
    {123, "SCFM"},
    {124, "bbl liquid"},
    {125, "oz"},
    {126, "ft·lbf"},
    {127, "kW"},
    {128, "kWh"},
    {129, "hp"},
    {130, "ft³/h"},
    {131, "m³/min"},
    {132, "bbl/s"},
    {133, "bbl/min"},
    {134, "bbl/h"},
    {135, "bbl/d"},
    {136, "gal/h"},
    {137, "imp gal/s"},
    {138, "L/h"},
    {139, "ppm"},
    {140, "Mcal/h"},
    {141, "MJ/h"},
    {142, "BTU/h"},
    {143, "°"},
    {144, "rad"},
    {145, "inH2O at 60 °F"},
    {146, "µg/L"},
    {147, "µg/m³"},
    {148, "% consistency"},
    {149, "vol %"},
    {150, "% steam quality"},
    {151, "ft in sixteenths"},
    {152, "ft³/lb"},
    {153, "pF"},
    {154, "mL/L"},
    {155, "µL/L"},
    {160, "% Plato"},
    {161, "% LEL"},
    {162, "Mcal"},
    {163, "kΩ"},
    {164, "MJ"},
    {165, "BTU"},
    {166, "Nm³"},
    {167, "NL"},
    {168, "SCF"},
    {169, "ppb"},
    {235, "gal/d"},
    {236, "hL"},
    {237, "MPa"},
    {238, "inH2O at 4 °C"},
    {239, "mmH2O at 4 °C"},
    {250, "not used"},
    {251, "none"},
    {252, "unknown"},
    {253, "special"},
};

constexpr Entry kTransferFunctions[] = {
    {0, "linear"},
    {1, "square root"},
    {2, "square root, third power"},
    {3, "square root, fifth power"},
    {4, "special curve"},
    {5, "square"},
    {6, "square root with cut-off"},
    {10, "equal percentage 1:25"},
    {11, "equal percentage 1:33"},
    {12, "equal percentage 1:50"},
    {15, "quick open 1:25"},
    {16, "quick open 1:33"},
    {17, "quick open 1:50"},
    {30, "hyperbolic, shape factor 0.1"},
    {31, "hyperbolic, shape factor 0.2"},
    {32, "hyperbolic, shape factor 0.3"},
    {34, "hyperbolic, shape factor 0.5"},
    {37, "hyperbolic, shape factor 0.7"},
    {40, "hyperbolic, shape factor 1"},
    {41, "hyperbolic, shape factor 1.5"},
    {42, "hyperbolic, shape factor 2"},
    {43, "hyperbolic, shape factor 3"},
    {44, "hyperbolic, shape factor 4"},
    {45, "hyperbolic, shape factor 5"},
    {100, "flat-bottom tank"},
    {101, "conical or pyramidal bottom tank"},
    {102, "parabolic bottom tank"},
    {103, "spherical bottom tank"},
    {104, "angled bottom tank"},
    {105, "flat-end cylinder tank"},
    {106, "parabolic-end cylinder tank"},
    {107, "spherical tank"},
    {230, "discrete (switch)"},
    {231, "square root and special curve"},
    {232, "square root, third power, and special curve"},
    {233, "square root, fifth power, and special curve"},
};

constexpr Entry kAlarmSelections[] = {
    {0, "high"},
    {1, "low"},
    {239, "hold last value"},
};

constexpr Entry kWriteProtect[] = {
    {0, "not write-protected"},
    {1, "write-protected"},
};

constexpr Entry kClassifications[] = {
    {0, "not classified"},
    {64, "temperature"},
    {65, "pressure"},
    {66, "volumetric flow"},
    {67, "velocity"},
    {68, "volume"},
    {69, "length"},
    {70, "time"},
    {71, "mass"},
    {72, "mass flow"},
    {73, "mass per volume"},
    {74, "viscosity"},
    {75, "angular velocity"},
    {76, "area"},
    {77, "energy"},
    {78, "force"},
    {79, "power"},
    {80, "frequency"},
    {81, "analytical"},
    {82, "capacitance"},
    {83, "electromotive force"},
    {84, "current"},
    {85, "resistance"},
    {86, "angle"},
    {87, "conductance"},
    {88, "volume per volume"},
    {89, "volume per mass"},
    {90, "concentration"},
    {96, "acceleration"},
    {97, "turbidity"},
    {98, "temperature difference"},
    {99, "gas volume flow per second"},
    {100, "gas volume flow per minute"},
    {101, "gas volume flow per hour"},
    {102, "gas volume flow per day"},
    {103, "liquid volume flow per second"},
    {104, "liquid volume flow per minute"},
    {105, "liquid volume flow per hour"},
    {106, "liquid volume flow per day"},
    {107, "thermal expansion"},
    {108, "energy per volume"},
    {109, "energy per mass"},
    {110, "torque"},
    {111, "miscellaneous"},
    {112, "torsional stiffness"},
    {113, "linear stiffness"},
};

constexpr Entry kLoopCurrentModes[] = {
    {0, "disabled"},
    {1, "enabled"},
};

// The codes every table above shares.
constexpr Entry kSpecialCodes[] = {
    {250, "not used"},
    {251, "none"},
    {252, "unknown"},
    {253, "special"},
};

struct Bit {
    uint8_t mask;
    const char* text;
};

constexpr Bit kExtendedDeviceStatus[] = {
    {0x01, "maintenance required"},
    {0x02, "device variable alert"},
    {0x04, "critical power failure"},
    {0x08, "failure"},
    {0x10, "outside its specified limits"},
    {0x20, "function check"},
};

constexpr Bit kStandardizedStatus0[] = {
    {0x01, "simulation active"},
    {0x02, "non-volatile memory defect"},
    {0x04, "volatile memory defect"},
    {0x08, "watchdog reset"},
    {0x10, "power supply conditions out of range"},
    {0x20, "environmental conditions out of range"},
    {0x40, "electronic defect"},
    {0x80, "device configuration locked"},
};

template <size_t N> const char* find(const Entry (&table)[N], int code)
{
    const auto e = std::find_if(std::begin(table), std::end(table), [code](const Entry& x) { return x.code == code; });
    return e == std::end(table) ? nullptr : e->text;
}

// The table's word, else a shared special code's, else "<what> N".
template <size_t N> QString word(const Entry (&table)[N], int code, const char* what, bool special = true)
{
    if (const char* text = find(table, code)) return QString::fromUtf8(text);
    if (special)
        if (const char* text = find(kSpecialCodes, code)) return QString::fromUtf8(text);
    return QStringLiteral("%1 %2").arg(QLatin1String(what)).arg(code);
}

template <size_t N> QStringList bits(uint8_t value, const Bit (&table)[N])
{
    QStringList words;
    for (uint8_t mask = 0x01; mask; mask <<= 1) {
        if (!(value & mask)) continue;
        const auto b = std::find_if(std::begin(table), std::end(table), [mask](const Bit& x) { return x.mask == mask; });
        words << (b != std::end(table) ? QString::fromUtf8(b->text)
                                       : QStringLiteral("bit 0x") + QString::number(mask, 16).rightJustified(2, u'0').toUpper());
    }
    return words;
}

// A name as typed on a keyboard without the signs units use: "m³/h" and "M3/H" are
// "m3/h", "°C" is "degc", "Ω" is "ohm"; blanks do not count.
QString plain(const QString& name)
{
    QString out = name.toLower();
    out.replace(u'°', QStringLiteral("deg")).replace(u'³', u'3').replace(u'²', u'2');
    out.replace(u'Ω', QStringLiteral("ohm")).replace(u'µ', u'u').replace(u'μ', u'u');
    out.remove(u' ');
    return out;
}

// The code whose word is `name`, or whose number `name` is. The word as the table spells
// it wins; a plain spelling counts only when it names one code alone.
template <size_t N> std::optional<int> codeNamed(const Entry (&table)[N], const QString& name)
{
    bool number = false;
    const int code = name.trimmed().toInt(&number);
    if (number) return find(table, code) ? std::optional<int>(code) : std::nullopt;
    for (const Entry& e : table)
        if (QString::fromUtf8(e.text) == name.trimmed()) return e.code;
    const QString wanted = plain(name);
    std::optional<int> found;
    for (const Entry& e : table) {
        if (plain(QString::fromUtf8(e.text)) != wanted) continue;
        if (found) return std::nullopt;
        found = e.code;
    }
    return found;
}

} // namespace

std::optional<int> unitCode(const QString& name) { return codeNamed(kUnits, name); }
std::optional<int> transferFunctionCode(const QString& name) { return codeNamed(kTransferFunctions, name); }

QString unitName(int code)
{
    if (const char* text = find(kUnits, code)) return QString::fromUtf8(text);
    if (code >= 170 && code <= 219) return QStringLiteral("classification-dependent unit %1").arg(code);
    if (code >= 240 && code <= 249) return QStringLiteral("maker's unit %1").arg(code);
    return QStringLiteral("unit %1").arg(code);
}

QString transferFunction(int code) { return word(kTransferFunctions, code, "transfer function"); }
QString alarmSelection(int code) { return word(kAlarmSelections, code, "alarm selection"); }
QString writeProtect(int code) { return word(kWriteProtect, code, "write-protect code"); }
QString classification(int code) { return word(kClassifications, code, "classification", false); }
QString loopCurrentMode(int code) { return word(kLoopCurrentModes, code, "loop current mode", false); }

QString variableStatus(uint8_t status)
{
    static const char* const kQuality[] = {"bad", "poor accuracy", "manual/fixed", "good"};
    static const char* const kLimits[] = {nullptr, "low limited", "high limited", "constant"};
    QStringList words{QString::fromLatin1(kQuality[status >> 6])};
    if (const char* limit = kLimits[(status >> 4) & 0x03]) words << QString::fromLatin1(limit);
    if (status & 0x08) words << QStringLiteral("more status available");
    return words.join(QStringLiteral(", "));
}

QStringList extendedDeviceStatus(uint8_t value) { return bits(value, kExtendedDeviceStatus); }
QStringList standardizedStatus0(uint8_t value) { return bits(value, kStandardizedStatus0); }

QString hexBytes(const QByteArray& bytes) { return QString::fromLatin1(bytes.toHex(' ').toUpper()); }

} // namespace InstrumentTables
