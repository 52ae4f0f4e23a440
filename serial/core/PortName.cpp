#include "serial/core/PortName.h"

#include <cctype>

std::string devicePathFor(const std::string& name)
{
#ifdef _WIN32
    return windowsDevicePath(name);
#else
    return posixDevicePath(name);
#endif
}

std::string posixDevicePath(const std::string& name)
{
    // No name is no path: opening it fails as a missing file, not as the folder /dev/.
    if (name.empty() || name.front() == '/') return name;
    if (name.size() > 3 && name.compare(0, 3, "COM") == 0) {
        unsigned long n = 0;
        bool digits = true;
        for (size_t i = 3; i < name.size() && digits; ++i) {
            digits = std::isdigit(static_cast<unsigned char>(name[i])) && n < 100000;
            n = n * 10 + static_cast<unsigned long>(name[i] - '0');
        }
        if (digits && n >= 1) return "/dev/ttyS" + std::to_string(n - 1);
    }
    return "/dev/" + name;
}

std::string windowsDevicePath(const std::string& name)
{
    // Without the prefix only COM1 to COM9 open; "\\.\" reaches every device by its name.
    if (name.empty() || name.compare(0, 2, "\\\\") == 0) return name;
    return "\\\\.\\" + name;
}
