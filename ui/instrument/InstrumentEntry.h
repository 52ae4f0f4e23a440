#pragma once

#include <QObject>
#include <QPointer>
#include <cstdint>

class HartPage;
class InstrumentWindow;
class QMenu;
class TForm1;

// The "Instrument…" entry of the View menu and of the Transparent Mode page, and the one
// window they open, made on first use and raised when asked again. The page's button reads
// at the page's polling address with its preamble length and master bit. The window goes
// before the main window's port and pages do, and takes a reading under way with it.
class InstrumentEntry : public QObject {
    Q_OBJECT

public:
    InstrumentEntry(TForm1& form, QMenu& view, QObject* parent);
    ~InstrumentEntry() override;

    InstrumentWindow& window();
    void show();

private:
    TForm1& form_;
    QPointer<HartPage> page_;
    QPointer<InstrumentWindow> window_;
};
