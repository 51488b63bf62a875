#include "app/window_handlers.h"
#include "state/shared_state.h"

void requestClose(HWND window) {
    g_recording = false;
    // A capture thread that has not reported yet (also one still starting, which may yet have to
    // tell that its file cannot be opened), or a recording being saved elsewhere.
    if (g_captureActive || g_captureThread.joinable()) {
        // WM_CAPTURE_DONE destroys the window once the file is finished.
        SetWindowTextW(g_statusText, L"Waiting for recording thread to finish...");
        EnableWindow(g_startButton, FALSE);
        EnableWindow(g_stopButton, FALSE);
        g_closePending = true;
        return;
    }
    // The user is being asked where to save a recording whose file failed; the window goes once
    // that is settled.
    if (g_unsavedRecording) {
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

void endSession() {
    // The process may be ended as soon as this returns: finish the file first, without a box.
    g_recording = false;
    if (g_captureThread.joinable()) {
        g_captureThread.join();
    }
}
