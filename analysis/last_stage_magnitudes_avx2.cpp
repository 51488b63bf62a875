// Compiled with AVX2 enabled and entered only after cpuSupportsAvx2(). As in the AVX2 stages,
// everything here has internal linkage and only the intrinsics are used from headers.
#include "analysis/last_stage_magnitudes.h"

#if defined(VOXWELL_SSE2)

#include <immintrin.h>

#include "analysis/fft_twiddles.h"

// The last stage would write the upper half too, and the magnitudes would then read the lower
// half back; here each bin is finished and measured while it is in a register, and the upper
// half, which no one reads, is never formed.
float lastStageMagnitudesAvx2(const float* re, const float* im, std::size_t n, float* mags,
                              float floor) {
    const std::size_t half = n / 2;
    // The stage's factors, in blocks of 16 real parts followed by their 16 imaginary parts.
    const float* factors = fftTwiddles() + 2 * half;
    __m256 largest = _mm256_set1_ps(floor);
    for (std::size_t j = 0; j < half; j += 8) {
        const float* w = factors + 2 * (j & ~std::size_t{15}) + (j & 15);
        const __m256 wRe = _mm256_loadu_ps(w);
        const __m256 wIm = _mm256_loadu_ps(w + 16);
        const __m256 bRe = _mm256_loadu_ps(re + half + j);
        const __m256 bIm = _mm256_loadu_ps(im + half + j);
        const __m256 tRe = _mm256_sub_ps(_mm256_mul_ps(bRe, wRe), _mm256_mul_ps(bIm, wIm));
        const __m256 tIm = _mm256_add_ps(_mm256_mul_ps(bIm, wRe), _mm256_mul_ps(bRe, wIm));
        const __m256 xRe = _mm256_add_ps(_mm256_loadu_ps(re + j), tRe);
        const __m256 xIm = _mm256_add_ps(_mm256_loadu_ps(im + j), tIm);
        const __m256 magnitude =
            _mm256_sqrt_ps(_mm256_add_ps(_mm256_mul_ps(xRe, xRe), _mm256_mul_ps(xIm, xIm)));
        _mm256_storeu_ps(mags + j, magnitude);
        largest = _mm256_max_ps(largest, magnitude);
    }
    alignas(32) float lanes[8];
    _mm256_store_ps(lanes, largest);
    float result = floor;
    for (float lane : lanes) {
        result = lane > result ? lane : result;
    }
    return result;
}

#endif
