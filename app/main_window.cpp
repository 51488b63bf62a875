#include "app/main_window.h"

#include "app/control_ids.h"
#include "app/window_handlers.h"
#include "state/shared_state.h"

LRESULT CALLBACK mainWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
        case WM_CREATE:
            createControls(window);
            g_mainWindow = window;
            return 0;
        case WM_DESTROY:
            endWindow();
            return 0;
        case WM_CLOSE:
            requestClose(window);
            return 0;
        case WM_DRAWITEM:
            return drawPanel(wParam, lParam);
        case WM_COMMAND:
            // The notification code is not looked at: every command from a button is a click.
            if (LOWORD(wParam) == kStartButtonId) {
                startRecording(window);
            } else if (LOWORD(wParam) == kStopButtonId) {
                stopRecording();
            }
            return 0;
        case WM_SPECTRUM_READY:
            // Invalidations merge; the panels repaint once the queue is idle.
            InvalidateRect(g_wavePanel, nullptr, TRUE);
            InvalidateRect(g_levelPanel, nullptr, TRUE);
            InvalidateRect(g_spectrumPanel, nullptr, TRUE);
            showGapsWhileRecording();
            return 0;
        case WM_CAPTURE_DONE:
            finishCapture(window);
            return 0;
        case WM_CAPTURE_STARTED:
            showRecording();
            return 0;
        case WM_QUERYENDSESSION:
            // Logging off is never held up; WM_ENDSESSION finishes the file.
            return TRUE;
        case WM_ENDSESSION:
            if (wParam != FALSE) {
                endSession();
            }
            return 0;
        default:
            return DefWindowProcW(window, message, wParam, lParam);
    }
}
