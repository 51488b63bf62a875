#include "display/panel_drawing.h"

#include <cstdint>

void fillPanelBackground(HDC dc, const RECT& item) {
    // FillRect takes a system colour as its index plus one in place of a brush; nothing is
    // created, so nothing is deleted.
    const HBRUSH buttonFace =
        reinterpret_cast<HBRUSH>(static_cast<std::intptr_t>(COLOR_BTNFACE + 1));
    FillRect(dc, &item, buttonFace);
}

std::uint64_t panelColumns(const RECT& item) {
    const std::int32_t width = item.right - item.left;
    return width > 0 ? static_cast<std::uint64_t>(width) : 0;
}

std::uint64_t columnStep(std::size_t count, std::uint64_t columns) {
    const std::uint64_t step = columns > 0 ? count / columns : 0;
    return step > 0 ? step : 1;
}
