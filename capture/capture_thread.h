#pragma once

#include <string>

#include "platform/platform.h"

// Entry of the capture thread: records the default capture endpoint into the file named by
// g_outputPathUtf8 while g_recording is set, records how it ended in g_captureEnd and
// g_captureOutcome and posts WM_CAPTURE_DONE exactly once to window. A recording whose file could
// not be written is left in g_unsavedRecording.
void captureThreadMain(std::wstring path, HWND window);

// Entry of the thread that saves g_unsavedRecording into the file named by g_outputPathUtf8 after
// its own file failed: into the failed file itself when that is the one chosen, never into one of
// the recording's earlier files (earlierFileChosen). It takes the capture thread's place
// (g_captureActive, g_captureOutcome, WM_CAPTURE_DONE); the window releases the recording once it
// is saved.
void saveRecordingThreadMain(HWND window);
// Closes the recording's failed file, which no other program could write while it was open, and
// frees the recording. On the window thread, once it is saved or discarded.
void releaseUnsavedRecording();
