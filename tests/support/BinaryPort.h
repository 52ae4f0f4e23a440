#pragma once

#include "serial/Comm.h"

#include <QString>

// Opens `comm` on `path` for HART frames, which are binary: no byte may be taken for
// software flow control.
inline void openBinary(TComm& comm, const QString& path)
{
    comm.SetCommName(path);
    comm.SetOutx_XonXoffFlow(false);
    comm.SetInx_XonXoffFlow(false);
    comm.OpenPort();
}
