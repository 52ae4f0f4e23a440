#pragma once

#include <QWidget>
#include <functional>

class Exchange;
class PortList;
class QCheckBox;
class QComboBox;
class QLabel;
class QPushButton;

// The PC side of the link: port, speed and parity, open and close, the RTS and DTR levels
// for adapters, and the link check ("Communication Query").
class PortPanel : public QWidget {
    Q_OBJECT

public:
    PortPanel(Exchange& exchange, QWidget* parent = nullptr);

    void Button1Click(); // "Open" / "Close"
    void Button6Click(); // "Communication Query"
    // Shows the panel closed, as a close does (also used by the auto-close timer).
    void showClosed();
    // Shows the port as it is now: open at its speed and parity, or closed. After a run
    // that reopened it at another speed.
    void showPort();
    // The port went away (adapter unplugged): ends the request in flight, closes the port
    // and tells the user once. Open works again once the device is back.
    void portLost();

    // Called when a link-check reply carries "QV:".
    std::function<void()> onLinkConfirmed;

    PortList* SPREALCOM;
    QComboBox* ComboBox11; // speed
    QComboBox* ComboBox10; // parity
    QPushButton* Button1;
    QPushButton* Button6;
    QLabel* Label16;
    QCheckBox* CheckBox1; // RTS
    QCheckBox* CheckBox2; // DTR

private:
    void open();
    void close();
    void decodeLinkCheck();

    Exchange& exchange_;
};

