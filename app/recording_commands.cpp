#include <system_error>
#include <thread>

#include "app/capture_status.h"
#include "app/output_dialog.h"
#include "app/window_handlers.h"
#include "capture/capture_thread.h"
#include "state/shared_state.h"
#include "state/utf8.h"

namespace {

// The gap count the status line shows while recording.
std::uint32_t shownGaps = 0;

}  // namespace

void startRecording(HWND window) {
    // Refused too while a recording whose file failed waits to be saved elsewhere.
    if (g_recording || g_captureActive || g_unsavedRecording) {
        return;
    }
    // Start, Stop and Start again before the capture thread's first step: that thread is still
    // joinable. With g_recording clear it ends without waiting for this thread, and its
    // WM_CAPTURE_DONE, already queued, is handled by the dialog's message loop below.
    if (g_captureThread.joinable()) {
        g_captureThread.join();
    }
    {
        std::lock_guard lock(g_waveMutex);
        g_leftHistory.clear();
    }
    {
        std::lock_guard lock(g_spectrumMutex);
        g_spectrum.clear();
    }
    const std::optional<std::wstring> path = askOutputPath(window, L"output.wav");
    // A Start posted to the window while the dialog was open may have begun a recording of its
    // own; the thread object is never assigned over.
    if (!path || g_captureThread.joinable()) {
        return;
    }
    g_outputPath = *path;
    g_outputPathUtf8 = utf8FromWide(g_outputPath);
    g_recording = true;
    try {
        g_captureThread = std::thread(captureThreadMain, g_outputPath, g_mainWindow);
    } catch (const std::system_error&) {
        g_recording = false;
        SetWindowTextW(g_statusText, L"Recording failed: could not start the recording thread");
    }
}

void stopRecording() {
    if (g_recording) {
        g_recording = false;
    }
}

void showRecording() {
    // A close request made while the capture was starting keeps its waiting text.
    if (g_closePending) {
        return;
    }
    shownGaps = g_gapCount;
    SetWindowTextW(g_statusText, recordingStatus(shownGaps).c_str());
}

void showGapsWhileRecording() {
    // Not once Stop or a close request has cleared g_recording: the end of the recording and the
    // close handshake own the status line then.
    if (g_recording && g_captureActive && g_gapCount != shownGaps) {
        showRecording();
    }
}
