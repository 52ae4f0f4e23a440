#pragma once

#include <QString>

// A live value as text with "." for decimals, whatever the locale: the fewest digits that
// read back as the same value. A value that a single-precision float holds exactly is
// written with the fewest digits that read back as that float ("0.1" for the float nearest
// 0.1, not 0.100000001490116), as a register or a HART variable carries it.
QString numberText(double value);
