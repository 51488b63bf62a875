#include "app/main_window.h"

#include "app/window_handlers.h"
#include "state/shared_state.h"

LRESULT CALLBACK mainWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
        case WM_CREATE:
            return onCreate(window);
        case WM_DESTROY:
            return onDestroy();
        case WM_CLOSE:
            return onClose(window);
        case WM_QUERYENDSESSION:
            return onQueryEndSession();
        case WM_ENDSESSION:
            return onEndSession(wParam);
        case WM_DRAWITEM:
            return onDrawItem(wParam, lParam);
        case WM_COMMAND:
            return onCommand(window, wParam);
        case WM_SPECTRUM_READY:
            return onSpectrumReady();
        case WM_CAPTURE_DONE:
            return onCaptureDone(window);
        case WM_CAPTURE_STARTED:
            return onCaptureStarted();
        default:
            return DefWindowProcW(window, message, wParam, lParam);
    }
}
