#include "analysis/analysis_window.h"

#include <cmath>
#include <cstddef>

#include "state/shared_state.h"

void ensureAnalysisWindow() {
    if (!g_fftWork.empty()) {
        return;
    }
    g_fftWork.resize(kBlockLength);
    // Symmetric window: the last point mirrors the first, hence the N - 1 denominator. The
    // cosines are single precision; only their weighted sum is formed in double.
    const float denominator = static_cast<float>(kBlockLength - 1);
    for (std::size_t i = 0; i < kBlockLength; ++i) {
        const float x = static_cast<float>(i);
        const double a = std::cos((x * 6.2831855f) / denominator);
        const double b = std::cos((x * 12.566371f) / denominator);
        g_fftWork[i] = static_cast<float>(0.42 - 0.5 * a + 0.08 * b);
    }
}
