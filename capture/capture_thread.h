#pragma once

#include <string>

#include "platform/platform.h"

// Entry of the capture thread: records the default capture endpoint into the file named by
// g_outputPathUtf8 while g_recording is set, records how it ended in g_captureOutcome and posts
// WM_CAPTURE_DONE exactly once to window.
void captureThreadMain(std::wstring path, HWND window);
