#pragma once

#include <stdexcept>
#include <string>

// Raised by TComm::OpenPort. what() is the component's fixed text; detail() carries the
// operating system's reason where there is one, for the user who has to fix it.
class ECommsError : public std::runtime_error {
public:
    explicit ECommsError(const char* message, std::string detail = {})
        : std::runtime_error(message), detail_(std::move(detail)) {}

    const std::string& detail() const noexcept { return detail_; }

private:
    std::string detail_;
};
