#include "analysis/fft_stages.h"

#if defined(VOXWELL_SSE2)

#include <emmintrin.h>

#include <algorithm>

#include "analysis/fft_twiddles.h"

namespace {

// Points per cache block: its first stages run while the block stays in the L1 cache.
constexpr std::size_t kBlock = 2048;

inline void butterfly(__m128& aRe, __m128& aIm, __m128& bRe, __m128& bIm, __m128 wRe, __m128 wIm) {
    const __m128 tRe = _mm_sub_ps(_mm_mul_ps(bRe, wRe), _mm_mul_ps(bIm, wIm));
    const __m128 tIm = _mm_add_ps(_mm_mul_ps(bIm, wRe), _mm_mul_ps(bRe, wIm));
    bRe = _mm_sub_ps(aRe, tRe);
    bIm = _mm_sub_ps(aIm, tIm);
    aRe = _mm_add_ps(aRe, tRe);
    aIm = _mm_add_ps(aIm, tIm);
}

// Factors j .. j + 3 of the stage with half-length `half` (j a multiple of 4, half at least 4).
inline void loadFactors(const float* twiddles, std::size_t half, std::size_t j, __m128& wRe,
                        __m128& wIm) {
    const float* w = twiddles + twiddleIndex(half, j);
    wRe = _mm_loadu_ps(w);
    wIm = _mm_loadu_ps(w + twiddleBlock(half));
}

// The even and the odd lanes of two vectors: (x0, x2, y0, y2) and (x1, x3, y1, y3).
inline __m128 evens(__m128 x, __m128 y) {
    return _mm_shuffle_ps(x, y, _MM_SHUFFLE(2, 0, 2, 0));
}
inline __m128 odds(__m128 x, __m128 y) {
    return _mm_shuffle_ps(x, y, _MM_SHUFFLE(3, 1, 3, 1));
}

// The stages of half-lengths 1, 2 and 4 on consecutive runs of 8 points, in registers.
void firstThreeStages(float* re, float* im, std::size_t n, const float* t) {
    const __m128 w1Re = _mm_set1_ps(t[2]);
    const __m128 w1Im = _mm_set1_ps(t[3]);
    const __m128 w2Re = _mm_setr_ps(t[4], t[4], t[5], t[5]);
    const __m128 w2Im = _mm_setr_ps(t[6], t[6], t[7], t[7]);
    const __m128 w4Re = _mm_loadu_ps(t + 8);
    const __m128 w4Im = _mm_loadu_ps(t + 12);
    for (std::size_t i = 0; i < n; i += 8) {
        const __m128 re0 = _mm_loadu_ps(re + i);
        const __m128 re1 = _mm_loadu_ps(re + i + 4);
        const __m128 im0 = _mm_loadu_ps(im + i);
        const __m128 im1 = _mm_loadu_ps(im + i + 4);
        // Half-length 1: pairs (0,1), (2,3), (4,5), (6,7). Results (e0, e2, e4, e6), (e1, e3, ...).
        __m128 aRe = evens(re0, re1);
        __m128 aIm = evens(im0, im1);
        __m128 bRe = odds(re0, re1);
        __m128 bIm = odds(im0, im1);
        butterfly(aRe, aIm, bRe, bIm, w1Re, w1Im);
        // Half-length 2: pairs (e0,e2), (e4,e6) with the first factor, (e1,e3), (e5,e7) with the
        // second. Results (f0, f4, f1, f5), (f2, f6, f3, f7).
        __m128 cRe = evens(aRe, bRe);
        __m128 cIm = evens(aIm, bIm);
        __m128 dRe = odds(aRe, bRe);
        __m128 dIm = odds(aIm, bIm);
        butterfly(cRe, cIm, dRe, dIm, w2Re, w2Im);
        // Half-length 4: (f0..f3) with (f4..f7), back in natural order.
        __m128 pRe = evens(cRe, dRe);
        __m128 pIm = evens(cIm, dIm);
        __m128 qRe = odds(cRe, dRe);
        __m128 qIm = odds(cIm, dIm);
        butterfly(pRe, pIm, qRe, qIm, w4Re, w4Im);
        _mm_storeu_ps(re + i, pRe);
        _mm_storeu_ps(re + i + 4, qRe);
        _mm_storeu_ps(im + i, pIm);
        _mm_storeu_ps(im + i + 4, qIm);
    }
}

// One stage of half-length `half` (8 or more) over n points.
void stage(float* re, float* im, std::size_t n, std::size_t half, const float* twiddles) {
    for (std::size_t g = 0; g < n; g += 2 * half) {
        for (std::size_t j = 0; j < half; j += 4) {
            __m128 wRe;
            __m128 wIm;
            loadFactors(twiddles, half, j, wRe, wIm);
            float* aRe = re + g + j;
            float* aIm = im + g + j;
            __m128 xRe = _mm_loadu_ps(aRe);
            __m128 xIm = _mm_loadu_ps(aIm);
            __m128 yRe = _mm_loadu_ps(aRe + half);
            __m128 yIm = _mm_loadu_ps(aIm + half);
            butterfly(xRe, xIm, yRe, yIm, wRe, wIm);
            _mm_storeu_ps(aRe, xRe);
            _mm_storeu_ps(aIm, xIm);
            _mm_storeu_ps(aRe + half, yRe);
            _mm_storeu_ps(aIm + half, yIm);
        }
    }
}

// The stages of half-lengths `half` (8 or more) and 2 * half together, over quarters of each
// group of 4 * half points, so that every point is loaded and stored once for both.
void twoStages(float* re, float* im, std::size_t n, std::size_t half, const float* twiddles) {
    for (std::size_t g = 0; g < n; g += 4 * half) {
        for (std::size_t j = 0; j < half; j += 4) {
            float* pRe = re + g + j;
            float* pIm = im + g + j;
            __m128 xRe[4];
            __m128 xIm[4];
            for (std::size_t q = 0; q < 4; ++q) {
                xRe[q] = _mm_loadu_ps(pRe + q * half);
                xIm[q] = _mm_loadu_ps(pIm + q * half);
            }
            __m128 wRe;
            __m128 wIm;
            loadFactors(twiddles, half, j, wRe, wIm);
            butterfly(xRe[0], xIm[0], xRe[1], xIm[1], wRe, wIm);
            butterfly(xRe[2], xIm[2], xRe[3], xIm[3], wRe, wIm);
            loadFactors(twiddles, 2 * half, j, wRe, wIm);
            butterfly(xRe[0], xIm[0], xRe[2], xIm[2], wRe, wIm);
            loadFactors(twiddles, 2 * half, j + half, wRe, wIm);
            butterfly(xRe[1], xIm[1], xRe[3], xIm[3], wRe, wIm);
            for (std::size_t q = 0; q < 4; ++q) {
                _mm_storeu_ps(pRe + q * half, xRe[q]);
                _mm_storeu_ps(pIm + q * half, xIm[q]);
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

}  // namespace

void fftStagesSse2(float* re, float* im, std::size_t n) {
    if (n < 16) {
        fftStagesScalar(re, im, n);
        return;
    }
    const float* twiddles = fftTwiddles();
    const std::size_t block = std::min(n, kBlock);
    for (std::size_t start = 0; start < n; start += block) {
        firstThreeStages(re + start, im + start, block, twiddles);
        laterStages(re + start, im + start, block, 8, twiddles);
    }
    laterStages(re, im, n, block, twiddles);
}

#endif
