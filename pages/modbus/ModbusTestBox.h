#pragma once

#include <QGroupBox>

class Exchange;
class QLineEdit;

// "Modbus Communication Test": one Read Holding Registers request, answer shown in hex.
class ModbusTestBox : public QGroupBox {
    Q_OBJECT

public:
    ModbusTestBox(Exchange& exchange, QWidget* parent = nullptr);
    void Button4Click();

    QLineEdit* Edit18; // slave address
    QLineEdit* Edit19; // start register
    QLineEdit* Edit20; // register count

private:
    Exchange& exchange_;
};
