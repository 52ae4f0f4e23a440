#pragma once

// The line settings as the code above the serial component knows them, and on POSIX
// systems the terminal driver's view of a line that tests and the stand-in read back.
#include "serial/core/LineSettings.h"
#ifndef _WIN32
#include "serial/posix/Termios.h"
#endif
