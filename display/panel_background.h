// The background every panel starts from.
#pragma once

#include "platform/platform.h"

// Fills the item rectangle with the system button-face colour, the colour of the dialog around
// the panels.
void fillPanelBackground(HDC dc, const RECT& item);
