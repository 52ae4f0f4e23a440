#pragma once

#include <string>

// The device path a port name stands for on this platform: posixDevicePath on Linux,
// windowsDevicePath on Windows.
std::string devicePathFor(const std::string& commName);

// "COMn" is /dev/ttyS{n-1}, a name that starts with "/" is a path already, and anything else
// ("ttyUSB0") is looked up under /dev/. An empty name stays empty.
std::string posixDevicePath(const std::string& commName);

// "COMn" and every other device name is opened in the device namespace, \\.\COMn, which
// also reaches ports numbered above 9; a name that starts with "\\" is a path already. An
// empty name stays empty.
std::string windowsDevicePath(const std::string& commName);
