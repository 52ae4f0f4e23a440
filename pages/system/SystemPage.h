#pragma once

#include "tools/BuiltRequest.h"

#include <QWidget>
#include <functional>

class Exchange;
class PortPanel;

// "System Parameters": the port panel and the converter's own settings, each with its Set
// button, parameter initialisation, the board serial number and the query that reads them.
class SystemPage : public QWidget {
    Q_OBJECT

public:
    SystemPage(Exchange& exchange, QWidget* parent = nullptr);

    PortPanel* portPanel() const { return panel_; }

    void Button23Click(); // "System Parameters" query
    void Button60Click(); // board serial number
    void Label8DblClick();
    void Label51DblClick();

    // Blanks what the query fills, except the base addresses (a device-slot change).
    void clearDecodedControls();

    // Edit14's text follows into the MODBUS test's slave address.
    std::function<void(const QString&)> onSlaveAddressChanged;

private:
    // A set request under code 200: the value read and built (a conversion error or a
    // refusal sends nothing), then sent.
    void sendSet(const std::function<BuiltRequest()>& build, bool closesPort);
    void decodeReply();

    Exchange& exchange_;
    PortPanel* panel_;
};
