#pragma once

#include "tools/BuiltRequest.h"

#include <QStringList>
#include <QWidget>
#include <array>
#include <functional>

class Exchange;
class Ieee754Box;
class ModbusTestBox;
class QComboBox;
class QGroupBox;
class QLabel;
class QLineEdit;

// "MODBUS Parameter Configuration": one device slot at a time with its settings, register
// formats, custom parsing table and custom read commands; the module mode, coefficients,
// the MODBUS communication test and the IEEE 754 calculator.
class ModbusPage : public QWidget {
    Q_OBJECT

public:
    ModbusPage(Exchange& exchange, QWidget* parent = nullptr);

    ModbusTestBox* testBox() const { return testBox_; }
    // The items of a register format list, by value (0 the loop current, 1 to 4 the
    // variables): as many as the converter accepts for it.
    static QStringList formatItems(int value);

    void ComboBox41Change(); // the user picked a device slot
    // Shows slot n with its fields blank, as a pick of the slot does before its query.
    void showSlotBlank(int n);
    // Selects slot n and nothing else.
    void selectSlot(int n);
    void ComboBox17Change(); // the user picked a meter type
    void Button31Click();    // "MODBUS Parameter Query"
    // The HART polling address chosen on the Transparent Mode page selects the same slot.
    void selectSlotForHartAddress(int address);
    // The blanking the window's creation step does on this page.
    void blankAtStart();

    // Set by the window: blanks what the system query filled (a slot change does it).
    std::function<void()> clearSystemFields;

    QLabel* Label68; // "current(RTU_ADR)": the exchange's timeout status writes it
    QComboBox* ComboBox14;
    QComboBox* ComboBox41;
    QComboBox* ComboBox17;
    QGroupBox* GroupBox13;

private:
    void buildTopGroup(QWidget* group);
    void buildCustomGroup();
    QGroupBox* buildModeGroup();
    QGroupBox* buildFirstCoefficientGroup();
    QGroupBox* buildOtherCoefficientsGroup();
    int slot() const;
    void setRegisterLabels(int slot);
    void sendQuery();
    // A set request under code 200 from what `build` makes of the controls; a conversion
    // error or a refusal sends nothing.
    void sendSet(const std::function<BuiltRequest()>& build, bool hex = false);
    void sendCustomCommand(int command);
    void decodeReply();
    void blankCustomGroup(bool addressBitsToo);
    QComboBox* list(const char* name) const;
    QLineEdit* edit(const char* name) const;

    Exchange& exchange_;
    ModbusTestBox* testBox_;
    Ieee754Box* calculator_;
    std::array<QLabel*, 5> registerLabels_{};
};
