#include "pages/hart/UnitTable.h"

#include <array>

namespace {

struct Unit {
    int code;
    const char* text; // UTF-8
};

// HART unit codes in the order the unit lists show them; the last item stands for any
// code not listed.
constexpr std::array<Unit, 76> kUnits{{
    {1, "inH20 "},
    {2, "inhg  "},
    {3, "FtH20  "},
    {4, "mmH20 "},
    {5, "mmHg   "},
    {6, "psi   "},
    {7, "bar    "},
    {8, "mbar   "},
    {11, "Pa     "},
    {12, "KPa   "},
    {14, "ATM    "},
    {237, "MPa    "},
    {32, "℃  "},
    {33, "℉"},
    {34, "R"},
    {35, "Kelvin "},
    {15, "CuFt_min "},
    {16, "gal_min  "},
    {17, "l_min   "},
    {19, "CuMtr_hr "},
    {24, "l_s      "},
    {26, "Cuft_s  "},
    {28, "CuMtr_s  "},
    {131, "CuMtr_min "},
    {136, "gal_hr    "},
    {138, "l_hr      "},
    {20, "ft_s      "},
    {21, "mtr_s    "},
    {114, "in_s      "},
    {115, "in_min    "},
    {116, "ft_min   "},
    {120, "mtr_hr    "},
    {40, "gal      "},
    {41, "liter    "},
    {43, "CuMtr       "},
    {46, "bbl      "},
    {111, "CuYd     "},
    {112, "CuFt      "},
    {113, "CuIn"},
    {124, "bbl_liq      "},
    {44, "ft        "},
    {45, "M    "},
    {47, "in         "},
    {48, "cm       "},
    {49, "mm       "},
    {60, "gram     "},
    {61, "kg        "},
    {62, "MetTon    "},
    {63, "lb       "},
    {125, "ounce     "},
    {70, "g_s       "},
    {71, "g_min     "},
    {72, "g_hr     "},
    {73, "kg_s     "},
    {74, "kg_min   "},
    {77, "metTOM_min "},
    {78, "metton_hr  "},
    {80, "lb_s       "},
    {81, "lb_min     "},
    {82, "lb_hr      "},
    {91, "g_CuCM     "},
    {92, "KG_CuMtr   "},
    {93, "lb_gal    "},
    {94, "lb_Cuft    "},
    {95, "g_ml      "},
    {96, "kb_l       "},
    {97, "g_l        "},
    {54, "centi_stokes "},
    {55, "cpoise       "},
    {69, "mewtom_meter  "},
    {89, "deka_therm    "},
    {126, "foot_pound_force "},
    {128, "kilo_watt_hour    "},
    {164, "mega_joule       "},
    {165, "british_thermal_unit "},
    {57, "%"},
}};

// Kilograms per hour came after "other" when its code no longer named metric tons per minute.
constexpr Unit kKilogramsPerHour{75, "kg_hr"};

} // namespace

int unitItemIndex(int code)
{
    for (size_t i = 0; i < kUnits.size(); ++i)
        if (kUnits[i].code == code) return int(i);
    return code == kKilogramsPerHour.code ? kOtherUnit + 1 : kOtherUnit;
}

QStringList unitItems(int list)
{
    QStringList items;
    for (const Unit& u : kUnits) items << QString::fromUtf8(u.text);
    items << QStringLiteral("other") << QString::fromUtf8(kKilogramsPerHour.text);
    // The four lists differ only in the blanks after the two temperature units.
    static const char* const celsius[4] = {"\u2103  ", "\u2103", "\u2103", "\u2103"};
    static const char* const fahrenheit[4] = {"\u2109", "\u2109 ", "\u2109   ", "\u2109 "};
    if (list >= 0 && list < 4) {
        items[12] = QString::fromUtf8(celsius[list]);
        items[13] = QString::fromUtf8(fahrenheit[list]);
    }
    return items;
}
