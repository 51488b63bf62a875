#pragma once

#include <string>

#include "platform/platform.h"

// Entry of the capture thread: records the default capture endpoint into the file named by
// g_outputPathUtf8 while g_recording is set, records how it ended in g_captureEnd and
// g_captureOutcome and posts WM_CAPTURE_DONE exactly once to window. A recording whose file could
// not be written is left in g_unsavedRecording.
void captureThreadMain(std::wstring path, HWND window);

// Entry of the thread that writes g_unsavedRecording to the file named by g_outputPathUtf8 after
// an earlier write failed. It takes the capture thread's place (g_captureActive, g_captureOutcome,
// WM_CAPTURE_DONE); the window releases the recording once it is saved.
void saveRecordingThreadMain(HWND window);
