#pragma once

#include "tools/BuiltRequest.h"

// A built request as comparable bytes; a refusal shows as its message, so a failed
// comparison says why.
inline QByteArray bytesOf(const BuiltRequest& built)
{
    return built.ok() ? built.bytes : "refused: " + built.refusal.toUtf8();
}
