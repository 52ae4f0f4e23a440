#pragma once

// Port names as the code above the serial component maps them.
#include "serial/core/PortName.h"
