#pragma once

#include "session/ConverterSession.h"

#include <QByteArray>

// A HART master frame as a session request: complete once its reply frame's checksum has
// arrived, unreadable when that checksum does not match, shown in hex.
SessionRequest hartRequest(QByteArray frame);
