#pragma once

#include "platform/platform.h"

// The process entry: the main window and its message loop. Always returns 0.
int WINAPI WinMain(HINSTANCE instance, HINSTANCE previous, LPSTR commandLine, int showCommand);
