#include "analysis/fft/twiddles.h"

#include <cmath>
#include <vector>

#include "analysis/fft/stages.h"

namespace {

// The factor every stage starts each group with, and the step that advances it.
void stageStep(std::size_t half, float& wr, float& wi) {
    const float angle = -6.2831855f / static_cast<float>(2 * half);
    wr = std::cos(angle);
    wi = std::sin(angle);
}

std::vector<float> buildTwiddles() {
    std::vector<float> table(2 * kTwiddleTableLength);
    for (std::size_t half = 1; half < kTwiddleTableLength; half *= 2) {
        float wr = 0.0f;
        float wi = 0.0f;
        stageStep(half, wr, wi);
        float wRe = 1.0f;
        float wIm = 0.0f;
        for (std::size_t j = 0; j < half; ++j) {
            table[twiddleIndex(half, j)] = wRe;
            table[twiddleIndex(half, j) + twiddleBlock(half)] = wIm;
            const float nextRe = wRe * wr - wIm * wi;
            wIm = wRe * wi + wIm * wr;
            wRe = nextRe;
        }
    }
    return table;
}

}  // namespace

const float* fftTwiddles() {
    static const std::vector<float> table = buildTwiddles();
    return table.data();
}

void runningTwiddleStage(float* re, float* im, std::size_t n, std::size_t half) {
    float wr = 0.0f;
    float wi = 0.0f;
    stageStep(half, wr, wi);
    for (std::size_t g = 0; g < n; g += 2 * half) {
        float wRe = 1.0f;
        float wIm = 0.0f;
        for (std::size_t a = g; a < g + half; ++a) {
            scalarButterfly(re, im, a, a + half, wRe, wIm);
            const float nextRe = wRe * wr - wIm * wi;
            wIm = wRe * wi + wIm * wr;
            wRe = nextRe;
        }
    }
}
