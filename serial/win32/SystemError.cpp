#include "serial/win32/SystemError.h"

#include <windows.h>

std::string systemMessage(uint32_t error)
{
    char text[512];
    DWORD n = FormatMessageA(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr,
                             error, 0, text, sizeof text, nullptr);
    while (n > 0 && (text[n - 1] == '\n' || text[n - 1] == '\r' || text[n - 1] == ' ' ||
                     text[n - 1] == '.'))
        --n;
    if (n == 0) return "error " + std::to_string(error);
    return std::string(text, n);
}

std::string openFailureReason(uint32_t error)
{
    switch (error) {
    // A port held by another program is refused as access denied: serial devices are
    // opened without sharing.
    case ERROR_ACCESS_DENIED:
    case ERROR_SHARING_VIOLATION: return "The port is in use by another program";
    case ERROR_FILE_NOT_FOUND:
    case ERROR_PATH_NOT_FOUND:
    case ERROR_INVALID_NAME: return "No such port";
    default: return systemMessage(error);
    }
}
