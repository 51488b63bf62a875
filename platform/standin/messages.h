// Posting window messages from any thread.
#pragma once

#include "platform/standin/types.h"

BOOL PostMessageW(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
