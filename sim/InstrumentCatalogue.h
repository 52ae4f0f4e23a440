#pragma once

#include "sim/HartInstrument.h"

#include <vector>

// The stand-in's HART loop as it starts: four instruments, each set up differently.
//   0  flow meter, HART 5, square root, m3/h
//   1  pressure transmitter, HART 6, loop current disabled, bar; its TV (static pressure)
//      is fixed by hand
//   2  temperature transmitter, HART 5, write-protected, alarm low, degC
//   5  level radar, HART 7, metres, configuration change counter 17; its electronics
//      temperature (device variable 4) reads with poor accuracy above its limit, so the
//      extended device status says "device variable alert" and standardized status 0
//      "environmental conditions out of range"
namespace InstrumentCatalogue {

std::vector<HartInstrument> instruments();

HartInstrument flowMeter();
HartInstrument pressureTransmitter();
HartInstrument temperatureTransmitter();
HartInstrument levelRadar();

} // namespace InstrumentCatalogue
