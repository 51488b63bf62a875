#include "analysis/fft/stages.h"

#include "analysis/fft/twiddles.h"

void fftStagesScalar(float* re, float* im, std::size_t n) {
    const float* twiddles = fftTwiddles();
    for (std::size_t half = 1; half < n; half *= 2) {
        const std::size_t block = twiddleBlock(half);
        for (std::size_t g = 0; g < n; g += 2 * half) {
            for (std::size_t j = 0; j < half; ++j) {
                scalarButterfly(re, im, g + j, g + j + half, twiddles[twiddleIndex(half, j)],
                                twiddles[twiddleIndex(half, j) + block]);
            }
        }
    }
}
