#include "display/panel_background.h"

#include <cstdint>

void fillPanelBackground(HDC dc, const RECT& item) {
    // FillRect takes a system colour as its index plus one in place of a brush; nothing is
    // created, so nothing is deleted.
    const HBRUSH buttonFace =
        reinterpret_cast<HBRUSH>(static_cast<std::intptr_t>(COLOR_BTNFACE + 1));
    FillRect(dc, &item, buttonFace);
}
