#pragma once

#include <cstdint>
#include <string>

// The system's text for an error code, without its line end ("error N" where it has none).
std::string systemMessage(uint32_t error);

// Why a port could not be opened, in words for the user who has to fix it.
std::string openFailureReason(uint32_t error);
