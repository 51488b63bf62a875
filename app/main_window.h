// The main window: its class name, title and window procedure.
#pragma once

#include "platform/platform.h"

inline constexpr const wchar_t* kMainWindowClass = L"HarkboxApp";
inline constexpr const wchar_t* kMainWindowTitle = L"Voxwell: Thread-Safe GUI 64K FFT";

LRESULT CALLBACK mainWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
