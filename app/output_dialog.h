// The save dialog: where a recording goes.
#pragma once

#include <optional>
#include <string>

#include "platform/platform.h"

// Asks for the file of a recording, proposing the given name; nothing when cancelled.
std::optional<std::wstring> askOutputPath(HWND owner, const wchar_t* proposedName);

// After a failed write: asks for another place, proposing the name of the file that failed, until
// the recording in g_unsavedRecording is being written there by a thread of its own (true; its
// WM_CAPTURE_DONE follows), or the user discards it (false; the caller then releases it). Memory
// running short on the way asks again rather than end the program, which would lose the
// recording.
bool saveElsewhereOrDiscard(HWND window);
