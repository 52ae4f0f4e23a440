#pragma once

#include "serial/core/LineSettings.h"

#include <windows.h>

// The driver's record for the line, built whole from the settings: some drivers refuse to
// hand out their current one, and every field the line needs comes from the settings.
// Without driverRtsToggle a transmit-toggled RTS rests low in the record, for the transmit
// thread to raise around each write.
DCB dcbFor(const LineSettings& settings, bool driverRtsToggle);
