#pragma once

#include <optional>
#include <string>

#include "platform/platform.h"

// Asks for the file of the next recording, proposing "output.wav"; nothing when cancelled.
std::optional<std::wstring> askOutputPath(HWND owner);
