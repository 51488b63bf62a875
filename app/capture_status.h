#pragma once

#include <cstdint>
#include <string>

#include "state/shared_state.h"

// The status line while recording, with the gaps the audio system reported so far and whether
// the file has stopped taking data.
std::wstring recordingStatus(std::uint32_t gaps, bool fileFailed);
// The status line once a recording has ended this way.
std::wstring captureStatus(CaptureOutcome outcome, CaptureEnd end, std::uint32_t gaps,
                           const std::wstring& path);
// The text of the error box for an outcome the user must acknowledge, or nullptr.
const wchar_t* captureErrorBox(CaptureOutcome outcome);
