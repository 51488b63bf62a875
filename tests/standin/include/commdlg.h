// The stand-in's <commdlg.h>: the save dialog, declared with the window calls.
#pragma once

#include "standin/win_window.h"
