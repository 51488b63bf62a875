// Linux stand-in for the Win32, COM and Core Audio calls the program makes. Test support only:
// never part of the Windows build.
#pragma once

#include "platform/standin/types.h"
#include "platform/standin/com_audio.h"
#include "platform/standin/messages.h"
#include "platform/standin/gdi.h"
#include "platform/standin/window.h"
