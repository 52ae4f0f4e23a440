#pragma once

#include "pages/hart/HartCodec.h"

#include <QWidget>
#include <functional>
#include <optional>

class Exchange;
class HartStatusLine;
class QComboBox;
class QLineEdit;

// "Transparent Mode": HART frames to one instrument through the converter: its identity
// (command 0), its four variables with units (command 3), a new polling address
// (command 6), and frames typed by hand.
class HartPage : public QWidget {
    Q_OBJECT

public:
    HartPage(Exchange& exchange, QWidget* parent = nullptr);

    void Button7Click();  // device parameter query
    void Button16Click(); // command query
    void Button14Click(); // polling address set
    void Button20Click(); // manual HART command

    // The "HART Address:" list changed: the MODBUS page follows with the same slot.
    std::function<void(int)> onHartAddressChanged;
    // "Scan…": look for instruments, with the page's preamble length and master bit.
    std::function<void(int preambles, uint8_t master)> onScan;
    // "Instrument…": read the instrument at the chosen polling address, framed the same way.
    std::function<void(int pollingAddress, int preambles, uint8_t master)> onInstrument;

    // The identity that addresses the long frames, as the last answered query left it.
    HartCodec::Identity keptIdentity() const;

private:
    int preambles() const;
    uint8_t masterBit() const;
    void sendFrame(const QByteArray& frame, int code, bool interval3000);
    void decodeIdentity();
    void decodeVariables();
    // Shows the status bytes of a HART reply in the status line; whether its data are to be
    // read (not a communication error, not only status bytes).
    void showReplyStatus(int code);
    bool carriesData() const;
    // The request got no reply in time: the status line says from whom, within what wait.
    void showNoAnswer(int code);
    QString noAnswerText() const;

    Exchange& exchange_;
    QLineEdit* Edit9;
    QComboBox* ComboBox30;
    QComboBox* ComboBox42;
    QComboBox* ComboBox27;
    QLineEdit* Edit10;
    HartStatusLine* statusLine_;
    QByteArray askedFrame_; // the last frame sent
    // The instrument the shown values were read from (command 3's long address); none
    // while no values were read.
    std::optional<HartCodec::Identity> valuesFrom_;
    // The kept identity lives in the shared area's scratch bytes (identifier 0-2, device
    // type 6, polling address 7); the manufacturer byte is kept here beside it.
    void keep(const HartCodec::Identity& identity);
    uint8_t manufacturer_ = 0;
};
