#include "serial/core/ManualEvent.h"

#include <system_error>
#include <windows.h>

ManualEvent::ManualEvent() : handle_(CreateEventW(nullptr, TRUE, FALSE, nullptr))
{
    if (!handle_) throw std::system_error(int(GetLastError()), std::system_category(), "CreateEvent");
}

ManualEvent::ManualEvent(ManualEvent&& other) noexcept : handle_(other.handle_)
{
    other.handle_ = nullptr;
}

ManualEvent::~ManualEvent()
{
    if (handle_) CloseHandle(handle_);
}

void ManualEvent::set() const { SetEvent(handle_); }

void ManualEvent::reset() const { ResetEvent(handle_); }

bool ManualEvent::isSet() const { return WaitForSingleObject(handle_, 0) == WAIT_OBJECT_0; }
