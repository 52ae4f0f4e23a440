#pragma once

#include <QByteArray>
#include <array>
#include <cstdint>
#include <vector>

// One of the instrument's device variables. The first four drive the dynamic variables:
// `slot` 0 to 3 is PV, SV, TV or QV, whose drifting value and unit (HartInstrument::base and
// ::units) it takes; a variable with no slot keeps the fixed `value` in `unit`.
struct DeviceVariable {
    uint8_t code = 0;
    uint8_t classification = 0; // 0 not classified, 64 temperature, 65 pressure, ...
    int slot = -1;
    uint8_t unit = 250;
    float value = 0;
    uint8_t status = 0xC0; // bits 7-6 quality (11 good), bits 5-4 limits
};

// A simulated field device: its identity, and the configuration it keeps while the stand-in
// runs (what the reading commands return and the write commands change).
struct HartInstrument {
    uint8_t manufacturer = 0x26;
    uint8_t deviceType = 0x05;
    std::array<uint8_t, 3> id{0x00, 0x00, 0x01};
    uint8_t pollAddress = 0;
    uint8_t requestPreambles = 5;
    std::array<float, 4> base{12.5f, 25.0f, 100.0f, 0.5f};
    std::array<uint8_t, 4> units{19, 32, 41, 57}; // m3/h, degC, litres, percent
    // Identity beyond the long address, and the field device status every answer carries.
    uint8_t revision = 5;          // the HART revision it speaks
    uint16_t manufacturerCode = 0; // HART 7's 16-bit manufacturer (then `manufacturer` and
                                   // `deviceType` are its expanded device type)
    uint8_t status = 0;
    QByteArray tag = "FT-101"; // at most 8 characters
    QByteArray longTag;        // at most 32, from HART 6

    // Texts and numbers the reading commands return.
    QByteArray message;    // 32 characters at most (command 12)
    QByteArray descriptor; // 16 characters at most (command 13)
    std::array<uint8_t, 3> date{9, 12, 126}; // day, month, year - 1900
    uint32_t finalAssembly = 0;              // 24 bits (command 16)
    uint32_t sensorSerial = 0;               // 24 bits (command 14)
    uint8_t sensorUnit = 19;
    float upperSensorLimit = 40.0f, lowerSensorLimit = 0.0f, minimumSpan = 1.0f;
    uint8_t alarmSelection = 0;   // 0 high, 1 low
    uint8_t transferFunction = 0; // 0 linear, 1 square root
    uint8_t rangeUnit = 19;
    float upperRange = 25.0f, lowerRange = 0.0f;
    float damping = 0.5f;       // seconds
    uint8_t writeProtect = 0;   // 0 no, 1 yes
    uint8_t loopCurrentMode = 1; // 0 disabled, 1 enabled
    uint16_t configChangeCounter = 0; // from HART 6
    float fixedCurrent = 0;           // mA while in fixed current mode (command 40), else 0
    int busyWrites = 0;               // writes still to be answered "busy" (response code 32)
    std::vector<DeviceVariable> deviceVariables;
    // Command 48's data: device-specific bytes 0-5, then from HART 6 extended device status
    // (byte 6, also in command 0 and command 9), operating mode, standardized status 0,
    // standardized status 1, analog channel saturated, standardized status 2 and 3, analog
    // channel fixed, and any device-specific bytes 14-24.
    QByteArray additionalStatus = QByteArray(6, '\0');

    // The extended device status (0 before HART 6, which has none).
    uint8_t extendedStatus() const
    {
        return revision >= 6 && additionalStatus.size() > 6 ? uint8_t(additionalStatus[6]) : 0;
    }
    // The device variable with `code`, or null.
    const DeviceVariable* variable(int code) const
    {
        for (const DeviceVariable& v : deviceVariables)
            if (v.code == code) return &v;
        return nullptr;
    }
    // The device variable behind dynamic variable `slot` (0 PV to 3 QV), or null.
    const DeviceVariable* behind(int slot) const
    {
        for (const DeviceVariable& v : deviceVariables)
            if (v.slot == slot) return &v;
        return nullptr;
    }
};
