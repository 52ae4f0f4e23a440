#include "ui/live/LiveValues.h"

#include "ui/ProfileMenus.h"
#include "ui/TForm1.h"
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
    // Settings are taken as the window comes up, not while it is already open in front
    // of the user, who may have changed the choices since.
    if (!w.isVisible()) w.takeSettings(form_.profileMenus().windowSettings(), form_.profileMenus().shownSlot());
    w.show();
    w.raise();
    w.activateWindow();
}
