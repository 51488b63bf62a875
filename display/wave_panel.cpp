#include <cstddef>
#include <cstdint>
#include <mutex>
#include <vector>

#include "display/panel_drawing.h"
#include "display/panels.h"
#include "state/shared_state.h"

namespace {

// Full scale reaches half the panel height either side of the centre line; positive samples are
// drawn above it.
std::int32_t sampleY(Sample sample, std::int32_t mid, std::int32_t height) {
    const std::int32_t scaled = (static_cast<std::int32_t>(sample) * height) / 2;
    return mid - static_cast<std::int32_t>(static_cast<float>(scaled) * kSampleScale);
}

}  // namespace

LRESULT paintWavePanel(HDC dc, const RECT& item) {
    fillPanelBackground(dc, item);

    const std::int32_t height = item.bottom - item.top;
    const std::int32_t mid = (item.bottom + item.top) / 2;
    drawWithPen(dc, PS_DOT, 1, RGB(180, 180, 180), [&] {
        MoveToEx(dc, item.left, mid, nullptr);
        LineTo(dc, item.right, mid);
    });

    // Every step-th sample, one per pixel column from the left edge; a history shorter than the
    // panel leaves the rest of it empty.
    const std::uint64_t columns = panelColumns(item);

    // Drawn from a copy of the samples shown, so the capture thread never waits for GDI; its
    // room is made before the lock, so the copy allocates nothing while the lock is held.
    std::vector<Sample> shown;
    shown.reserve(static_cast<std::size_t>(columns));
    std::size_t count = 0;
    {
        std::lock_guard lock(g_waveMutex);
        count = g_leftHistory.size();
        const std::uint64_t step = columnStep(count, columns);
        for (std::uint64_t k = 0; k < columns && k * step < count; ++k) {
            shown.push_back(g_leftHistory[static_cast<std::size_t>(k * step)]);
        }
    }
    if (count < 2) {
        return 0;
    }

    drawWithPen(dc, PS_SOLID, 1, RGB(0, 150, 255), [&] {
        for (std::size_t k = 1; k < shown.size(); ++k) {
            const std::int32_t x = item.left + static_cast<std::int32_t>(k);
            MoveToEx(dc, x - 1, sampleY(shown[k - 1], mid, height), nullptr);
            LineTo(dc, x, sampleY(shown[k], mid, height));
        }
    });
    return 1;
}
