#include "app/window_handlers.h"
#include "state/shared_state.h"

void requestClose(HWND window) {
    g_recording = false;
    if (g_captureActive) {
        // WM_CAPTURE_DONE destroys the window once the file is finished.
        SetWindowTextW(g_statusText, L"Waiting for recording thread to finish...");
        EnableWindow(g_startButton, FALSE);
        EnableWindow(g_stopButton, FALSE);
        g_closePending = true;
        return;
    }
    DestroyWindow(window);
}

void endWindow() {
    g_recording = false;
    // A capture thread created just before the close has not reported yet; the cleared flag ends
    // its loop at once.
    if (g_captureThread.joinable()) {
        g_captureThread.join();
    }
    PostQuitMessage(0);
}
