#include "ui/live/LiveValues.h"

#include "ui/live/LiveValuesWindow.h"

#include <QMenu>

LiveValues::LiveValues(TForm1& form, QMenu& view, QObject* parent) : QObject(parent), form_(form)
{
    view.addAction(QStringLiteral("Live Values"), this, &LiveValues::show);
}

LiveValues::~LiveValues() { delete window_; }

LiveValuesWindow& LiveValues::window()
{
    if (!window_) window_ = new LiveValuesWindow(form_);
    return *window_;
}

void LiveValues::show()
{
    LiveValuesWindow& w = window();
    w.show();
    w.raise();
    w.activateWindow();
}
