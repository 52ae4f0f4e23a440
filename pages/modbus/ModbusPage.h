#pragma once

#include <QWidget>

class Exchange;
class ModbusTestBox;
class QComboBox;
class QLabel;

// "MODBUS Parameter Configuration": device slots and their register mapping, the MODBUS
// communication test and the status line the exchange writes.
class ModbusPage : public QWidget {
    Q_OBJECT

public:
    ModbusPage(Exchange& exchange, QWidget* parent = nullptr);

    ModbusTestBox* testBox() const { return testBox_; }
    QLabel* Label68;
    QComboBox* ComboBox14; // module operation mode

private:
    Exchange& exchange_;
    ModbusTestBox* testBox_;
};
