#pragma once

#include <QWidget>
#include <QtGlobal>

// A named control of the window; a test that asks for a control that is not there stops.
template <class W = QWidget> W* control(const QWidget& root, const char* name)
{
    auto* w = root.findChild<W*>(name);
    if (!w) qFatal("no control %s", name);
    return w;
}
