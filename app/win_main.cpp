#include "app/win_main.h"

#include "app/main_window.h"
#include "app/window_handlers.h"
#include "state/shared_state.h"

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int showCommand) {
    WNDCLASSW windowClass{};
    windowClass.style = CS_HREDRAW | CS_VREDRAW;
    windowClass.lpfnWndProc = mainWindowProc;
    windowClass.hInstance = instance;
    // IDC_ARROW by number: the SDK's IDC_ARROW is the narrow form unless UNICODE is defined.
    windowClass.hCursor = LoadCursorW(nullptr, MAKEINTRESOURCEW(32512));
    windowClass.hbrBackground = reinterpret_cast<HBRUSH>(static_cast<INT_PTR>(COLOR_WINDOW + 1));
    windowClass.lpszClassName = kMainWindowClass;
    // Without a window nothing could ever end the message loop.
    if (RegisterClassW(&windowClass) == 0) {
        return 0;
    }
    const HWND window =
        CreateWindowExW(0, kMainWindowClass, kMainWindowTitle, WS_OVERLAPPEDWINDOW, CW_USEDEFAULT,
                        CW_USEDEFAULT, 400, 270, nullptr, nullptr, instance, nullptr);
    if (window == nullptr) {
        return 0;
    }
    g_mainWindow = window;
    ShowWindow(window, showCommand);

    MSG msg{};
    while (GetMessageW(&msg, nullptr, 0, 0) > 0) {
        TranslateMessage(&msg);
        DispatchMessageW(&msg);
    }
    // The loop may also end while a recording runs (WM_QUIT from outside, GetMessageW failing):
    // finish its file rather than destroy a joinable thread.
    finishRecordingNow();
    return 0;
}
