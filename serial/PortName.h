#pragma once

#include <string>

// The device path a port name stands for: "COMn" is /dev/ttyS{n-1}, a name that starts
// with "/" is a path already, and anything else ("ttyUSB0") is looked up under /dev/. An
// empty name stays empty.
std::string devicePathFor(const std::string& commName);
