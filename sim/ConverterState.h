#pragma once

#include <QByteArray>
#include <array>

// Everything the converter keeps, as the stand-in holds it. List choices are stored as
// the item indexes the requests carry.
struct DeviceSlot {
    int enabled = 1;
    int deviceMode = 1;
    int meterType = 1;
    int preambleDigit = 5; // preamble count itself (item index + 4)
    int clearTime = 10;    // seconds
    std::array<int, 5> formats{0, 0, 0, 0, 0};
    int addressBitsDigit = 5;
    struct Parse {
        int command = 0;
        int start = 0;
        int length = 0;
    };
    std::array<Parse, 4> parsing{};
    struct CustomCommand {
        int open = 0;
        QByteArray bytes;
    };
    std::array<CustomCommand, 2> custom{};
};

struct MonitorSlot {
    bool enabled = false;
    QByteArray bytes;
};

struct ConverterState {
    int baud1 = 3, parity1 = 0; // RS232 / RS485A
    int baud2 = 3, parity2 = 0; // RS485B
    int mode = 0;
    int address = 1;
    int returnA = 3, returnB = 3;
    int pollInterval = 50; // units of 10 ms
    int baseA = 0, baseB = 0;
    QByteArray boardSerial = "00000000";
    QByteArray inspector = "001";
    std::array<DeviceSlot, 5> devices{};
    int coefficientMode = 0;
    QByteArray coefficientW = "1.000";
    std::array<QByteArray, 3> coefficientsU{"1.000", "1.000", "1.000"};
    std::array<MonitorSlot, 6> monitors{};

    // Line speeds the converter's baud digits stand for.
    static int baudRate(int digit)
    {
        static const int rates[] = {1200, 2400, 4800, 9600, 19200, 38400, 57600, 115200};
        return digit >= 0 && digit < 8 ? rates[digit] : 9600;
    }
};
