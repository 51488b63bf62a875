// Posting window messages from any thread.
#pragma once

#include "standin/win_types.h"

BOOL PostMessageW(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
