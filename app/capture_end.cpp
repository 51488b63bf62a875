#include "app/capture_status.h"
#include "app/window_handlers.h"
#include "state/shared_state.h"

void finishCapture(HWND window) {
    const CaptureOutcome outcome = g_captureOutcome;
    const wchar_t* errorBox = captureErrorBox(outcome);
    if (errorBox == nullptr) {
        SetWindowTextW(g_statusText, captureStatus(outcome, g_outputPath).c_str());
    }
    // The capture may have ended on its own (a failure); Start must be possible again.
    g_recording = false;
    if (g_captureThread.joinable()) {
        g_captureThread.join();
    }
    g_captureActive = false;
    // Shown only once the capture thread is gone, so that nothing waits on the box but the user.
    if (errorBox != nullptr) {
        MessageBoxW(window, errorBox, L"Error", MB_OK | MB_ICONERROR);
        SetWindowTextW(g_statusText, captureStatus(outcome, g_outputPath).c_str());
    }
    if (g_closePending) {
        g_closePending = false;
        DestroyWindow(window);
    }
}
