#pragma once

#include <QObject>
#include <QPointer>

class LiveValuesWindow;
class QMenu;
class TForm1;

// The "Live Values" entry of the View menu and the window it opens, made on first use.
// It goes before the main window's port and pages do, and takes the live run with it.
class LiveValues : public QObject {
    Q_OBJECT

public:
    LiveValues(TForm1& form, QMenu& view, QObject* parent);
    ~LiveValues() override;

    LiveValuesWindow& window();
    void show();

private:
    TForm1& form_;
    QPointer<LiveValuesWindow> window_;
};
