#pragma once

#include <QColor>
#include <QPalette>

class QWidget;

// Colour accents (the cyan hint, the magenta note, blue captions) that stay readable on
// whatever palette the desktop hands out, light or dark.

// Contrast ratio of two colours as WCAG 2 defines it: 1 (none) to 21 (black on white).
double contrastRatio(const QColor& a, const QColor& b);

// `wanted` itself when it reads on `background` with at least `ratio`; otherwise the same
// hue made lighter or darker, away from the background, until it does.
QColor readableOn(const QColor& wanted, const QColor& background, double ratio = 4.5);

// The colour drawn behind a widget that does not fill its own background: that of the
// nearest ancestor that does, or the pane a tab widget draws behind its pages (in some
// styles lighter than the window), or the window's.
QColor backgroundBehind(const QWidget* widget);

struct AccentColours {
    QColor background;
    QColor text;
};

// A background in the accent's hue with a text colour that reads on it: the hue as it is
// on a light palette, a deep shade of it on a dark one; the palette's own text colour
// where it reads well enough.
AccentColours backgroundAccent(const QColor& hue, const QPalette& palette);

// Paint a widget with an accent now and again whenever the desktop palette changes.
void setBackgroundAccent(QWidget* widget, const QColor& hue); // labels: Window and WindowText
void setTextAccent(QWidget* widget, const QColor& hue);       // buttons: ButtonText on Button
