// Painting of the three owner-drawn panels, from a WM_DRAWITEM's device context and item
// rectangle. Each returns the window procedure's result for that WM_DRAWITEM.
#pragma once

#include "platform/platform.h"

LRESULT paintLevelPanel(HDC dc, const RECT& item);
LRESULT paintWavePanel(HDC dc, const RECT& item);
LRESULT paintSpectrumPanel(HDC dc, const RECT& item);
