// The stand-in's <windows.h>: the Win32 types, window, message, GDI, file and power calls the
// program makes.
#pragma once

#include "standin/win_types.h"
#include "standin/win_messages.h"
#include "standin/win_gdi.h"
#include "standin/win_window.h"
#include "standin/win_file.h"
#include "standin/win_power.h"
