// What the main window does for each message it handles itself, one handler per message. All
// run on the window thread.
#pragma once

#include "platform/platform.h"

LRESULT onCreate(HWND window);
LRESULT onCommand(HWND window, WPARAM wParam);
LRESULT onDrawItem(WPARAM id, LPARAM item);
LRESULT onClose(HWND window);
LRESULT onDestroy();
LRESULT onQueryEndSession();
LRESULT onEndSession(WPARAM ending);
LRESULT onCaptureStarted();
LRESULT onCaptureDone(HWND window);
LRESULT onSpectrumReady();

// Ends a running recording and waits until its thread, and so its file, is finished.
void finishRecordingNow();
