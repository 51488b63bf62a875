#include "app/window_handlers.h"

#include <new>
#include <thread>

#include "app/capture_status.h"
#include "app/control_ids.h"
#include "app/output_dialog.h"
#include "capture/capture_thread.h"
#include "capture/recording_buffer.h"
#include "capture/wav_files.h"
#include "display/panels.h"
#include "state/shared_state.h"
#include "state/utf8.h"

namespace {

constexpr DWORD kChildStyle = WS_CHILD | WS_VISIBLE;
constexpr DWORD kPanelStyle = WS_CHILD | WS_VISIBLE | SS_OWNERDRAW;

// What the status line shows while recording: the file, the gap count, whether the file failed
// and whether the recording waits for a microphone.
unsigned shownFileNumber = 0;
std::uint32_t shownGaps = 0;
bool shownFileFailed = false;
bool shownWaiting = false;

HWND createChild(HWND parent, const wchar_t* className, const wchar_t* text, DWORD style, int id,
                 int x, int y, int width, int height) {
    return CreateWindowExW(0, className, text, style, x, y, width, height, parent,
                           reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)), nullptr, nullptr);
}

void showStatus(const std::wstring& text) {
    SetWindowTextW(g_statusText, text.c_str());
}

void showRecording() {
    shownFileNumber = g_fileCount;
    shownGaps = g_gapCount;
    shownFileFailed = g_fileFailed;
    shownWaiting = g_waitingForMicrophone;
    showStatus(recordingStatus(shownFileNumber, shownGaps, shownFileFailed, shownWaiting));
}

// Where the recording that just ended, or its save elsewhere, put it: the files named after the
// path last chosen, and for a recording whose file failed, what its own files hold.
SavedFiles savedFiles(CaptureOutcome outcome) {
    SavedFiles files;
    files.saved = {g_outputPath, g_fileCount, g_lastFileNumber};
    const Recording* recording = g_unsavedRecording.get();
    if (recording == nullptr) {
        return files;
    }
    const WavFiles& own = recording->files;
    if (outcome != CaptureOutcome::saved) {
        files.beginning = {recording->firstPath, static_cast<unsigned>(own.numbers.size()),
                           own.numbers.back()};
        files.tenthsBefore = tenthsBefore(recording->samples, own.described);
    } else if (recording->savedInOwnFiles) {
        files.saved.first = recording->firstPath;
    } else if (recording->savedFrom > own.fileStart) {
        files.continues = numberedFileName(recording->firstPath, own.numbers.back());
        // The failed file holds one format: the files' current one.
        files.tenthsInto =
            (recording->savedFrom - own.fileStart) / own.channels * 10 / own.sampleRate;
    } else if (recording->savedFrom > 0) {
        const std::size_t before = filesBeforeCurrent(own);
        files.beginning = {recording->firstPath, static_cast<unsigned>(before),
                           own.numbers[before - 1]};
        files.tenthsBefore = tenthsBefore(recording->samples, recording->savedFrom);
    }
    return files;
}

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
    if (!startThread(g_captureThread, captureThreadMain, g_outputPath, g_mainWindow)) {
        g_recording = false;
        showStatus(L"Recording failed: could not start the recording thread");
    }
}

}  // namespace

void finishRecordingNow() {
    g_recording = false;
    if (g_captureThread.joinable()) {
        g_captureThread.join();
    }
}

// No font is set: the controls keep the system's default one.
LRESULT onCreate(HWND window) {
    g_startButton = createChild(window, L"BUTTON", L"Start Recording", kChildStyle | BS_PUSHBUTTON,
                                kStartButtonId, 20, 20, 140, 30);
    g_stopButton = createChild(window, L"BUTTON", L"Stop", kChildStyle | BS_PUSHBUTTON,
                               kStopButtonId, 180, 20, 80, 30);
    g_statusText = createChild(window, L"STATIC", L"Ready", kChildStyle | SS_LEFT, kStatusTextId,
                               20, 60, 340, 20);
    g_levelPanel =
        createChild(window, L"STATIC", nullptr, kPanelStyle, kLevelPanelId, 20, 90, 340, 20);
    g_wavePanel =
        createChild(window, L"STATIC", nullptr, kPanelStyle, kWavePanelId, 20, 120, 340, 40);
    g_spectrumPanel =
        createChild(window, L"STATIC", nullptr, kPanelStyle, kSpectrumPanelId, 20, 170, 340, 40);
    g_mainWindow = window;
    return 0;
}

// The notification code is not looked at: every command from a button is a click.
LRESULT onCommand(HWND window, WPARAM wParam) {
    if (LOWORD(wParam) == kStartButtonId) {
        startRecording(window);
    } else if (LOWORD(wParam) == kStopButtonId && g_recording) {
        g_recording = false;
    }
    return 0;
}

// Short of memory for its copy of the data, a panel is left as it is until the next paint.
LRESULT onDrawItem(WPARAM id, LPARAM item) {
    const auto* drawItem = reinterpret_cast<const DRAWITEMSTRUCT*>(item);
    try {
        switch (id) {
            case kLevelPanelId:
                return paintLevelPanel(drawItem->hDC, drawItem->rcItem);
            case kWavePanelId:
                return paintWavePanel(drawItem->hDC, drawItem->rcItem);
            case kSpectrumPanelId:
                return paintSpectrumPanel(drawItem->hDC, drawItem->rcItem);
            default:
                return 0;
        }
    } catch (const std::bad_alloc&) {
        return 0;
    }
}

// The window stays until a running capture has finished its file.
LRESULT onClose(HWND window) {
    g_recording = false;
    // A capture thread that has not reported yet (also one still starting, which may yet have to
    // tell that its file cannot be opened), or a recording being saved elsewhere.
    if (g_captureActive || g_captureThread.joinable()) {
        // WM_CAPTURE_DONE destroys the window once the file is finished.
        showStatus(L"Waiting for recording thread to finish...");
        EnableWindow(g_startButton, FALSE);
        EnableWindow(g_stopButton, FALSE);
        g_closePending = true;
        return 0;
    }
    // The user is being asked where to save a recording whose file failed; the window goes once
    // that is settled.
    if (g_unsavedRecording) {
        g_closePending = true;
        return 0;
    }
    DestroyWindow(window);
    return 0;
}

// A capture thread created just before the close has not reported yet; the cleared flag ends
// its loop at once.
LRESULT onDestroy() {
    finishRecordingNow();
    PostQuitMessage(0);
    return 0;
}

// Logging off is never held up; WM_ENDSESSION finishes the file.
LRESULT onQueryEndSession() {
    return TRUE;
}

// The process may be ended as soon as this returns: a running recording's file is finished
// first, without a box.
LRESULT onEndSession(WPARAM ending) {
    if (ending != FALSE) {
        finishRecordingNow();
    }
    return 0;
}

// A close request made while the capture was starting keeps its waiting text.
LRESULT onCaptureStarted() {
    if (!g_closePending) {
        showRecording();
    }
    return 0;
}

LRESULT onCaptureDone(HWND window) {
    const CaptureOutcome outcome = g_captureOutcome;
    const auto showOutcome = [outcome] {
        showStatus(captureStatus(outcome, g_captureEnd, g_gapCount, savedFiles(outcome)));
    };
    const wchar_t* errorBox = captureErrorBox(outcome);
    if (errorBox == nullptr) {
        showOutcome();
    }
    // The capture may have ended on its own (a failure); Start must be possible again.
    finishRecordingNow();
    g_captureActive = false;
    // Shown only once the capture thread is gone, so that nothing waits on the box but the user.
    if (errorBox != nullptr) {
        MessageBoxW(window, errorBox, L"Error", MB_OK | MB_ICONERROR);
        // A recording whose file failed: its next WM_CAPTURE_DONE comes from the saving thread.
        if (g_unsavedRecording) {
            if (outcome == CaptureOutcome::earlierFileChosen) {
                g_unsavedRecording->failedSavePath.clear();
            }
            if (saveElsewhereOrDiscard(window)) {
                return 0;
            }
        }
        showOutcome();
    }
    // Saved, or discarded: a recording kept in memory is no longer needed.
    releaseUnsavedRecording();
    if (g_closePending) {
        g_closePending = false;
        DestroyWindow(window);
    }
    return 0;
}

// Invalidations merge; the panels repaint once the queue is idle. While recording, the status
// line follows the file being written, the gap count, the file's state and the wait for a
// microphone (not once Stop or a close request has cleared g_recording: the end of the recording
// and the close handshake own the status line then).
LRESULT onSpectrumReady() {
    InvalidateRect(g_wavePanel, nullptr, TRUE);
    InvalidateRect(g_levelPanel, nullptr, TRUE);
    InvalidateRect(g_spectrumPanel, nullptr, TRUE);
    if (g_recording && g_captureActive &&
        (g_fileCount != shownFileNumber || g_gapCount != shownGaps ||
         g_fileFailed != shownFileFailed || g_waitingForMicrophone != shownWaiting)) {
        showRecording();
    }
    return 0;
}
