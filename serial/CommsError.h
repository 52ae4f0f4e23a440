#pragma once

// The open failure as the code above the serial component catches it.
#include "serial/core/CommsError.h"
