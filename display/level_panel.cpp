#include <cstdint>

#include "display/panel_drawing.h"
#include "display/panels.h"
#include "state/shared_state.h"

LRESULT paintLevelPanel(HDC dc, const RECT& item) {
    fillPanelBackground(dc, item);

    const float level = g_level.load();
    const std::int32_t width = item.right - item.left;
    // Not clamped: the capture thread keeps the level within 0 ... 1, and a bar whose right edge
    // does not pass its left one fills nothing.
    RECT bar = item;
    bar.right = item.left + static_cast<std::int32_t>(static_cast<float>(width) * level);

    const HBRUSH barBrush = CreateSolidBrush(RGB(0, 200, 0));
    FillRect(dc, &bar, barBrush);
    DeleteObject(barBrush);
    return 1;
}
