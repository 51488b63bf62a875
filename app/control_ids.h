// Identifiers of the main window's child controls, as WM_COMMAND and WM_DRAWITEM carry them.
#pragma once

constexpr int kStatusTextId = 0;
constexpr int kStartButtonId = 1;
constexpr int kStopButtonId = 2;
constexpr int kLevelPanelId = 3;
constexpr int kWavePanelId = 4;
constexpr int kSpectrumPanelId = 5;
