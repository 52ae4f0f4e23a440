#pragma once

#include <QPixmap>

enum class Picture { Logo, TwoWire, TwoAndFourWire, FourWire, BuiltIn24V };

// The logo and the four wiring diagrams.
QPixmap loadPicture(Picture picture);
