#include <system_error>
#include <thread>

#include "app/capture_status.h"
#include "app/output_dialog.h"
#include "app/window_handlers.h"
#include "capture/capture_thread.h"
#include "state/shared_state.h"
#include "state/utf8.h"

namespace {

std::wstring fileNameOf(const std::wstring& path) {
    const std::size_t separator = path.find_last_of(L"\\/");
    return separator == std::wstring::npos ? path : path.substr(separator + 1);
}

// After a failed write: asks for another place until the recording is being written there
// (true; its WM_CAPTURE_DONE comes back here) or the user discards it (false).
bool offerToSaveElsewhere(HWND window) {
    for (;;) {
        const std::optional<std::wstring> path = askOutputPath(window, fileNameOf(g_outputPath));
        if (!path) {
            if (MessageBoxW(window, L"Discard the recording?", L"Voxwell",
                            MB_YESNO | MB_ICONQUESTION) == IDYES) {
                g_unsavedRecording.reset();
                return false;
            }
            continue;
        }
        g_outputPath = *path;
        g_outputPathUtf8 = utf8FromWide(g_outputPath);
        try {
            g_captureThread = std::thread(saveRecordingThreadMain, window);
            return true;
        } catch (const std::system_error&) {
            MessageBoxW(window, L"Cannot write the file", L"Error", MB_OK | MB_ICONERROR);
        }
    }
}

}  // namespace

void finishCapture(HWND window) {
    const CaptureOutcome outcome = g_captureOutcome;
    const auto status = [outcome] {
        SetWindowTextW(g_statusText,
                       captureStatus(outcome, g_captureEnd, g_gapCount, g_outputPath).c_str());
    };
    const wchar_t* errorBox = captureErrorBox(outcome);
    if (errorBox == nullptr) {
        status();
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
        if (g_unsavedRecording && offerToSaveElsewhere(window)) {
            return;
        }
        status();
    }
    if (g_closePending) {
        g_closePending = false;
        DestroyWindow(window);
    }
}
