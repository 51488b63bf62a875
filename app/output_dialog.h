#pragma once

#include <optional>
#include <string>

#include "platform/platform.h"

// Asks for the file of a recording, proposing the given name; nothing when cancelled.
std::optional<std::wstring> askOutputPath(HWND owner, const std::wstring& proposedName);
