#include <cstddef>
#include <cstdint>
#include <mutex>
#include <vector>

#include "display/panel_background.h"
#include "display/panels.h"
#include "state/shared_state.h"

namespace {

// Full scale reaches half the panel height either side of the centre line; positive samples are
// drawn above it.
std::int32_t sampleY(Sample sample, std::int32_t mid, std::int32_t height) {
    const std::int32_t scaled = (static_cast<std::int32_t>(sample) * height) / 2;
    return mid - static_cast<std::int32_t>(static_cast<float>(scaled) * 3.0517578125e-05f);
}

void drawCentreLine(HDC dc, const RECT& item, std::int32_t mid) {
    const HPEN dotted = CreatePen(PS_DOT, 1, RGB(180, 180, 180));
    const HGDIOBJ previous = SelectObject(dc, dotted);
    MoveToEx(dc, item.left, mid, nullptr);
    LineTo(dc, item.right, mid);
    SelectObject(dc, previous);
    DeleteObject(dotted);
}

}  // namespace

LRESULT paintWavePanel(HDC dc, const RECT& item) {
    fillPanelBackground(dc, item);

    const std::int32_t width = item.right - item.left;
    const std::int32_t height = item.bottom - item.top;
    const std::int32_t mid = (item.bottom + item.top) / 2;
    drawCentreLine(dc, item, mid);

    // Drawn from a copy, so the capture thread never waits for GDI.
    std::vector<Sample> samples;
    {
        std::lock_guard lock(g_waveMutex);
        samples = g_leftHistory;
    }
    const std::size_t count = samples.size();
    if (count < 2) {
        return 0;
    }

    // Every step-th sample, one per pixel column from the left edge; a history shorter than the
    // panel leaves the rest of it empty. An empty rectangle has no columns to draw.
    const std::uint64_t columns = width > 0 ? static_cast<std::uint64_t>(width) : 0;
    std::uint64_t step = columns > 0 ? count / columns : 0;
    if (step == 0) {
        step = 1;
    }

    const HPEN curve = CreatePen(PS_SOLID, 1, RGB(0, 150, 255));
    const HGDIOBJ previous = SelectObject(dc, curve);
    for (std::int32_t k = 1; k < width && static_cast<std::uint64_t>(k) * step < count; ++k) {
        const std::size_t from = static_cast<std::size_t>(static_cast<std::uint64_t>(k - 1) * step);
        const std::size_t to = static_cast<std::size_t>(static_cast<std::uint64_t>(k) * step);
        MoveToEx(dc, item.left + k - 1, sampleY(samples[from], mid, height), nullptr);
        LineTo(dc, item.left + k, sampleY(samples[to], mid, height));
    }
    SelectObject(dc, previous);
    DeleteObject(curve);
    return 1;
}
