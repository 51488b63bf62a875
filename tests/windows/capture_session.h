// Runs one recording through the program's capture thread, as the window would: it sets the
// shared output path and g_recording, starts captureThreadMain, and stops it after a given time.
#pragma once

#include <cstdint>
#include <string>

#include "state/shared_state.h"

struct CaptureSession {
    bool finished = false;    // WM_CAPTURE_DONE arrived and the thread was joined
    int startedMessages = 0;  // WM_CAPTURE_STARTED received
    int doneMessages = 0;     // WM_CAPTURE_DONE received
    bool startedAfterDone = false;
    bool stillActive = false;  // g_captureActive after the join
    CaptureOutcome outcome = CaptureOutcome::saved;
    CaptureEnd end = CaptureEnd::stopped;
    std::uint32_t gaps = 0;        // discontinuities the audio system reported
    double secondsCaptured = 0.0;  // from WM_CAPTURE_STARTED until g_recording was cleared
};

// Records into path for about the given time once capture has started. A thread that does not
// finish in time is left running and reported with finished false.
CaptureSession runCaptureSession(const std::wstring& path, double seconds);

const char* outcomeName(CaptureOutcome outcome);
const char* endName(CaptureEnd end);
