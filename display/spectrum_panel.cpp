#include <cstddef>
#include <cstdint>
#include <cwchar>
#include <mutex>
#include <vector>

#include "display/panel_drawing.h"
#include "display/panels.h"
#include "state/shared_state.h"

namespace {

// The first of equal maxima wins; with no value above 0 the index stays 0.
std::size_t strongestIndex(const std::vector<float>& values) {
    float best = 0.0f;
    std::size_t bestIndex = 0;
    for (std::size_t i = 0; i < values.size(); ++i) {
        if (values[i] > best) {
            best = values[i];
            bestIndex = i;
        }
    }
    return bestIndex;
}

// Groups summed side by side: each sum still adds its values in index order, but the additions
// of different groups overlap instead of each waiting for the one before it.
constexpr std::size_t kGroupsAtOnce = 8;

// sums[g] = 0 + values[g * step] + ... + values[g * step + step - 1] for g < kGroups.
template <std::size_t kGroups>
void sumGroups(const float* values, std::uint64_t step, float* sums) {
    float partial[kGroups] = {};
    for (std::uint64_t i = 0; i < step; ++i) {
        for (std::size_t g = 0; g < kGroups; ++g) {
            partial[g] += values[g * step + i];
        }
    }
    for (std::size_t g = 0; g < kGroups; ++g) {
        sums[g] = partial[g];
    }
}

// One point per pixel column, each the mean of a group of step values summed in index order. A
// trailing group that is not followed by another value is left out.
void drawCurve(HDC dc, const RECT& item, const std::vector<float>& values, std::uint64_t step) {
    const std::int32_t height = item.bottom - item.top;
    std::size_t points = 0;
    while (points < panelColumns(item) &&
           (static_cast<std::uint64_t>(points) + 1) * step < values.size()) {
        ++points;
    }
    drawWithPen(dc, PS_SOLID, 1, RGB(220, 120, 60), [&] {
        float sums[kGroupsAtOnce];
        for (std::size_t k = 0; k < points; ++k) {
            const std::size_t slot = k % kGroupsAtOnce;
            if (slot == 0) {
                const float* first = values.data() + static_cast<std::size_t>(k * step);
                if (points - k >= kGroupsAtOnce) {
                    sumGroups<kGroupsAtOnce>(first, step, sums);
                } else {
                    for (std::size_t g = 0; g < points - k; ++g) {
                        sumGroups<1>(first + static_cast<std::size_t>(g * step), step, sums + g);
                    }
                }
            }
            const float average = sums[slot] / static_cast<float>(step);
            // An average of 1 lies on the top row, one of 0 two rows above the bottom edge.
            const std::int32_t y =
                item.top +
                static_cast<std::int32_t>((1.0f - average) * static_cast<float>(height - 2));
            const std::int32_t x = item.left + static_cast<std::int32_t>(k);
            if (k == 0) {
                MoveToEx(dc, x, y, nullptr);
            } else {
                LineTo(dc, x, y);
            }
        }
    });
}

// The marker scales the index by the panel width over the value count, so it need not meet the
// curve point whose group holds the peak.
void drawMarker(HDC dc, const RECT& item, std::uint64_t columns, std::size_t bestIndex,
                std::size_t count) {
    const std::uint64_t scaled = columns * static_cast<std::uint64_t>(bestIndex);
    const std::int32_t x = item.left + static_cast<std::int32_t>(static_cast<float>(scaled) /
                                                                 static_cast<float>(count));
    drawWithPen(dc, PS_SOLID, 2, RGB(255, 40, 40), [&] {
        MoveToEx(dc, x, item.top, nullptr);
        LineTo(dc, x, item.bottom);
    });
}

// Drawn in the device context's current font over the curve and the marker.
void drawLabel(HDC dc, const RECT& item) {
    const double peakHz = static_cast<double>(g_peakHz.load());
    wchar_t label[64];
    std::swprintf(label, sizeof label / sizeof label[0], L"Peak: %.1f Hz", peakHz);
    SetBkMode(dc, TRANSPARENT);
    SetTextColor(dc, RGB(255, 40, 40));
    TextOutW(dc, item.right - 120, item.top + 2, label, lstrlenW(label));
}

}  // namespace

LRESULT paintSpectrumPanel(HDC dc, const RECT& item) {
    fillPanelBackground(dc, item);

    // Drawn from a copy, so the analysis thread never waits for GDI. Room for the spectrum the
    // analysis publishes is made before the lock, so the copy normally allocates nothing while the
    // lock is held.
    std::vector<float> values;
    values.reserve(kSpectrumLength);
    {
        std::lock_guard lock(g_spectrumMutex);
        values.assign(g_spectrum.begin(), g_spectrum.end());
    }
    const std::size_t count = values.size();
    if (count < 2) {
        return 0;
    }

    const std::uint64_t columns = panelColumns(item);
    const std::uint64_t step = columnStep(count, columns);

    const std::size_t bestIndex = strongestIndex(values);
    drawCurve(dc, item, values, step);
    drawMarker(dc, item, columns, bestIndex, count);
    // Loaded after the snapshot: the label may belong to a later analysis than the curve.
    drawLabel(dc, item);
    return 1;
}
