#pragma once

#include <string>

#include "state/shared_state.h"

// The status line once a recording has ended this way.
std::wstring captureStatus(CaptureOutcome outcome, const std::wstring& path);
// The text of the error box for an outcome the user must acknowledge, or nullptr.
const wchar_t* captureErrorBox(CaptureOutcome outcome);
