// Compiled with AVX-512F enabled and entered only after cpuSupportsAvx512(). As with the AVX2
// stages, everything here has internal linkage, as do the butterflies it uses from a header.
#include "analysis/fft_stages.h"

#if defined(VOXWELL_SSE2)

#include <immintrin.h>

#include "analysis/butterfly_avx512.h"
#include "analysis/fft_twiddles.h"

namespace {

// Points per cache block: its first stages run while the block stays in the L1 cache.
constexpr std::size_t kBlock = 2048;

// Factors j .. j + 15 of the stage with half-length `half` (16 or more, j a multiple of 16):
// one block of the table, 16 real parts followed by 16 imaginary parts.
inline void loadFactors(const float* twiddles, std::size_t half, std::size_t j, __m512& wRe,
                        __m512& wIm) {
    const float* w = twiddles + 2 * half + 2 * j;
    wRe = _mm512_loadu_ps(w);
    wIm = _mm512_loadu_ps(w + 16);
}

// One stage of half-length `half` (16 or more) over n points.
void stage(float* re, float* im, std::size_t n, std::size_t half, const float* twiddles) {
    for (std::size_t g = 0; g < n; g += 2 * half) {
        for (std::size_t j = 0; j < half; j += 16) {
            __m512 wRe;
            __m512 wIm;
            loadFactors(twiddles, half, j, wRe, wIm);
            float* aRe = re + g + j;
            float* aIm = im + g + j;
            __m512 xRe = _mm512_loadu_ps(aRe);
            __m512 xIm = _mm512_loadu_ps(aIm);
            __m512 yRe = _mm512_loadu_ps(aRe + half);
            __m512 yIm = _mm512_loadu_ps(aIm + half);
            butterfly(xRe, xIm, yRe, yIm, wRe, wIm);
            _mm512_storeu_ps(aRe, xRe);
            _mm512_storeu_ps(aIm, xIm);
            _mm512_storeu_ps(aRe + half, yRe);
            _mm512_storeu_ps(aIm + half, yIm);
        }
    }
}

// The stages of half-lengths `half` (16 or more) and 2 * half together, over quarters of each
// group of 4 * half points, so that every point is loaded and stored once for both.
void twoStages(float* re, float* im, std::size_t n, std::size_t half, const float* twiddles) {
    for (std::size_t g = 0; g < n; g += 4 * half) {
        for (std::size_t j = 0; j < half; j += 16) {
            float* pRe = re + g + j;
            float* pIm = im + g + j;
            __m512 xRe[4];
            __m512 xIm[4];
            for (std::size_t q = 0; q < 4; ++q) {
                xRe[q] = _mm512_loadu_ps(pRe + q * half);
                xIm[q] = _mm512_loadu_ps(pIm + q * half);
            }
            __m512 wRe;
            __m512 wIm;
            loadFactors(twiddles, half, j, wRe, wIm);
            butterfly(xRe[0], xIm[0], xRe[1], xIm[1], wRe, wIm);
            butterfly(xRe[2], xIm[2], xRe[3], xIm[3], wRe, wIm);
            loadFactors(twiddles, 2 * half, j, wRe, wIm);
            butterfly(xRe[0], xIm[0], xRe[2], xIm[2], wRe, wIm);
            loadFactors(twiddles, 2 * half, j + half, wRe, wIm);
            butterfly(xRe[1], xIm[1], xRe[3], xIm[3], wRe, wIm);
            for (std::size_t q = 0; q < 4; ++q) {
                _mm512_storeu_ps(pRe + q * half, xRe[q]);
                _mm512_storeu_ps(pIm + q * half, xIm[q]);
            }
        }
    }
}

// Stages of half-length `half` up to n / 2, two at a time where two remain.
void laterStages(float* re, float* im, std::size_t n, std::size_t half, const float* twiddles) {
    while (2 * half <= n) {
        if (4 * half <= n) {
            twoStages(re, im, n, half, twiddles);
            half *= 4;
        } else {
            stage(re, im, n, half, twiddles);
            half *= 2;
        }
    }
}

// Blocks that fit the L1 cache go through all their stages before the next block is touched.
// The first four stages need lanes from within a run of 16 points only; the AVX2 kernel for
// them is used as it is.
// Stages from half-length firstHalf on; firstHalf 1 runs all of them.
void stagesInBlocks(float* re, float* im, std::size_t n, std::size_t firstHalf) {
    const float* twiddles = fftTwiddles();
    const std::size_t block = n < kBlock ? n : kBlock;
    for (std::size_t start = 0; start < n; start += block) {
        if (firstHalf < 16) {
            fftFirstFourStagesAvx2(re + start, im + start, block);
            laterStages(re + start, im + start, block, 16, twiddles);
        } else {
            laterStages(re + start, im + start, block, firstHalf, twiddles);
        }
    }
    laterStages(re, im, n, block > firstHalf ? block : firstHalf, twiddles);
}

}  // namespace

void fftStagesAvx512(float* re, float* im, std::size_t n) {
    if (n < 32) {
        fftStagesAvx2(re, im, n);
        return;
    }
    stagesInBlocks(re, im, n, 1);
}

void fftStagesFromAvx512(float* re, float* im, std::size_t n, std::size_t firstHalf) {
    stagesInBlocks(re, im, n, firstHalf);
}

#endif
