#include "analysis/fft_stages.h"

#include "analysis/fft_twiddles.h"

void fftStagesScalar(float* re, float* im, std::size_t n) {
    const float* twiddles = fftTwiddles();
    for (std::size_t half = 1; half < n; half *= 2) {
        const std::size_t block = twiddleBlock(half);
        for (std::size_t g = 0; g < n; g += 2 * half) {
            for (std::size_t j = 0; j < half; ++j) {
                const std::size_t a = g + j;
                const std::size_t b = a + half;
                const float wRe = twiddles[twiddleIndex(half, j)];
                const float wIm = twiddles[twiddleIndex(half, j) + block];
                const float tRe = re[b] * wRe - im[b] * wIm;
                const float tIm = im[b] * wRe + re[b] * wIm;
                re[b] = re[a] - tRe;
                im[b] = im[a] - tIm;
                re[a] = re[a] + tRe;
                im[a] = im[a] + tIm;
            }
        }
    }
}
