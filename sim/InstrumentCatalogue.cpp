#include "sim/InstrumentCatalogue.h"

namespace InstrumentCatalogue {

namespace {

constexpr uint8_t kGood = 0xC0, kFixedConstant = 0xB0, kPoorHighLimited = 0x60;

// Device variables 0 to 3 behind PV to QV, with their classifications.
std::vector<DeviceVariable> dynamicVariables(std::array<uint8_t, 4> classes)
{
    std::vector<DeviceVariable> out;
    for (int slot = 0; slot < 4; ++slot)
        out.push_back({uint8_t(slot), classes[size_t(slot)], slot, 250, 0.0f, kGood});
    return out;
}

} // namespace

HartInstrument flowMeter()
{
    HartInstrument flow; // the identity and dynamic variables are the struct's own defaults
    flow.message = "DP FLOW, FEED LINE TO REACTOR 1";
    flow.descriptor = "FEED FLOW";
    flow.date = {14, 3, 124};
    flow.finalAssembly = 104233;
    flow.sensorSerial = 0x0A3F11;
    flow.sensorUnit = 19; // m3/h
    flow.upperSensorLimit = 40.0f;
    flow.lowerSensorLimit = 0.0f;
    flow.minimumSpan = 2.0f;
    flow.transferFunction = 1; // square root
    flow.rangeUnit = 19;
    flow.upperRange = 25.0f;
    flow.lowerRange = 0.0f;
    flow.damping = 0.5f;
    flow.deviceVariables = dynamicVariables({66, 64, 68, 0}); // flow, temperature, total, %
    return flow;
}

HartInstrument pressureTransmitter()
{
    HartInstrument pressure;
    pressure.manufacturer = 0x11;
    pressure.deviceType = 0x22;
    pressure.id = {0x00, 0x12, 0x34};
    pressure.pollAddress = 1;
    pressure.base = {1.25f, 23.5f, 0.0f, 50.0f};
    pressure.units = {7, 32, 237, 57}; // bar, degC, MPa, percent
    pressure.revision = 6;
    pressure.tag = "PT-201";
    pressure.longTag = "Feed pump discharge pressure";
    pressure.message = "DISCHARGE PRESSURE P-201A";
    pressure.descriptor = "PUMP DISCHARGE";
    pressure.date = {2, 11, 123};
    pressure.finalAssembly = 210577;
    pressure.sensorSerial = 0x1C2D3E;
    pressure.sensorUnit = 7; // bar
    pressure.upperSensorLimit = 40.0f;
    pressure.lowerSensorLimit = -1.0f;
    pressure.minimumSpan = 0.4f;
    pressure.rangeUnit = 7;
    pressure.upperRange = 16.0f;
    pressure.lowerRange = 0.0f;
    pressure.damping = 1.0f;
    pressure.loopCurrentMode = 0; // multidrop
    pressure.configChangeCounter = 3;
    pressure.deviceVariables = dynamicVariables({65, 64, 65, 0});
    pressure.deviceVariables[2].status = kFixedConstant; // no static pressure sensor fitted
    pressure.additionalStatus = QByteArray(14, '\0');
    return pressure;
}

HartInstrument temperatureTransmitter()
{
    HartInstrument temperature;
    temperature.manufacturer = 0x4A;
    temperature.deviceType = 0x81;
    temperature.id = {0x0A, 0xBC, 0xDE};
    temperature.pollAddress = 2;
    temperature.base = {85.0f, 24.0f, 358.15f, 1.0f};
    temperature.units = {32, 32, 35, 57}; // degC, degC, K, percent
    temperature.tag = "TT-301";
    temperature.message = "REACTOR 1 JACKET OUTLET";
    temperature.descriptor = "JACKET TEMP";
    temperature.date = {21, 6, 122};
    temperature.finalAssembly = 330145;
    temperature.sensorSerial = 0x00BEEF;
    temperature.sensorUnit = 32; // degC
    temperature.upperSensorLimit = 850.0f;
    temperature.lowerSensorLimit = -200.0f;
    temperature.minimumSpan = 10.0f;
    temperature.alarmSelection = 1; // low
    temperature.rangeUnit = 32;
    temperature.upperRange = 150.0f;
    temperature.lowerRange = 0.0f;
    temperature.damping = 2.0f;
    temperature.writeProtect = 1;
    temperature.loopCurrentMode = 0; // HART 5 at a polling address other than 0
    temperature.deviceVariables = dynamicVariables({64, 64, 64, 0});
    return temperature;
}

HartInstrument levelRadar()
{
    HartInstrument level;
    level.manufacturer = 0xE1; // the expanded device type 0xE1A5
    level.deviceType = 0xA5;
    level.manufacturerCode = 0x60A7;
    level.id = {0x00, 0xA1, 0xB2};
    level.pollAddress = 5;
    level.revision = 7;
    level.base = {3.2f, 18.0f, 12.5f, 64.0f};
    level.units = {45, 32, 43, 57}; // metres, degC, m3, percent
    level.tag = "LT-505";
    level.longTag = "Buffer tank level";
    level.message = "BUFFER TANK T-505, RADAR";
    level.descriptor = "TANK LEVEL";
    level.date = {30, 1, 126};
    level.finalAssembly = 505001;
    level.sensorSerial = 0x05A1B2;
    level.sensorUnit = 45; // m
    level.upperSensorLimit = 20.0f;
    level.lowerSensorLimit = 0.0f;
    level.minimumSpan = 0.1f;
    level.rangeUnit = 45;
    level.upperRange = 6.0f;
    level.lowerRange = 0.5f;
    level.damping = 3.0f;
    level.configChangeCounter = 17;
    level.deviceVariables = dynamicVariables({69, 64, 68, 0});
    level.deviceVariables.push_back({4, 64, -1, 32, 71.5f, kPoorHighLimited}); // electronics
    level.additionalStatus = QByteArray(17, '\0'); // bytes 14-16 device-specific
    level.additionalStatus[6] = char(0x02);         // device variable alert
    level.additionalStatus[8] = char(0x20);         // environmental conditions out of range
    return level;
}

std::vector<HartInstrument> instruments()
{
    return {flowMeter(), pressureTransmitter(), temperatureTransmitter(), levelRadar()};
}

} // namespace InstrumentCatalogue
