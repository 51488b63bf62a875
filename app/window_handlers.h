// What the main window procedure does for each message it handles itself. All run on the window
// thread.
#pragma once

#include "platform/platform.h"

// WM_CREATE: the two buttons, the status line and the three panels.
void createControls(HWND window);
// WM_COMMAND from "Start Recording" and "Stop".
void startRecording(HWND window);
void stopRecording();
// WM_CAPTURE_STARTED, and WM_SPECTRUM_READY while recording: "Recording..." with its gaps.
void showRecording();
void showGapsWhileRecording();
// WM_CAPTURE_DONE: reports how the recording ended and joins the capture thread.
void finishCapture(HWND window);
// WM_CLOSE and WM_DESTROY: the window stays until a running capture has finished its file.
void requestClose(HWND window);
void endWindow();
// WM_ENDSESSION: a running recording is stopped and its file finished before this returns.
void endSession();
// WM_DRAWITEM: the result of painting the panel, 0 for any other control.
LRESULT drawPanel(WPARAM id, LPARAM item);
