#include "ui/instrument/InstrumentEntry.h"

#include "pages/hart/HartPage.h"
#include "ui/TForm1.h"
#include "ui/instrument/InstrumentWindow.h"

#include <QMenu>

InstrumentEntry::InstrumentEntry(TForm1& form, QMenu& view, QObject* parent) : QObject(parent), form_(form)
{
    view.addAction(QStringLiteral("Instrument…"), this, &InstrumentEntry::show);
    page_ = form.findChild<HartPage*>();
    if (page_)
        page_->onInstrument = [this](int pollingAddress, int preambles, uint8_t master) {
            window().useFraming(pollingAddress, preambles, master);
            show();
        };
}

InstrumentEntry::~InstrumentEntry()
{
    if (page_) page_->onInstrument = nullptr;
    delete window_;
}

InstrumentWindow& InstrumentEntry::window()
{
    if (!window_) window_ = new InstrumentWindow(form_);
    return *window_;
}

void InstrumentEntry::show()
{
    InstrumentWindow& w = window();
    w.show();
    w.raise();
    w.activateWindow();
}
