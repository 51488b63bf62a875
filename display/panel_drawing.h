// What the three panels draw with: their background, a pen for one part of a drawing, and the
// grouping of data into pixel columns.
#pragma once

#include <cstddef>
#include <cstdint>

#include "platform/platform.h"

// Fills the item rectangle with the system button-face colour, the colour of the dialog around
// the panels.
void fillPanelBackground(HDC dc, const RECT& item);

// Draws with a new pen: creates it, selects it, runs draw(), selects the previous object back and
// deletes the pen.
template <typename Draw>
void drawWithPen(HDC dc, int style, int width, COLORREF colour, Draw draw) {
    const HPEN pen = CreatePen(style, width, colour);
    const HGDIOBJ previous = SelectObject(dc, pen);
    draw();
    SelectObject(dc, previous);
    DeleteObject(pen);
}

// The pixel columns of the item rectangle; none for an empty one.
std::uint64_t panelColumns(const RECT& item);

// How many of count values one pixel column stands for: count / columns, at least 1.
std::uint64_t columnStep(std::size_t count, std::uint64_t columns);
