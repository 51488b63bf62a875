#include "analysis/fft/stages.h"

#if defined(VOXWELL_SSE2)

#include <emmintrin.h>

#include "analysis/fft/twiddles.h"
#include "analysis/fft/simd/sse2/sse2.h"

// Written in terms of the vector operations above.
#include "analysis/fft/simd/stages.h"

namespace {

// The even and the odd lanes of two vectors: (x0, x2, y0, y2) and (x1, x3, y1, y3).
inline __m128 evens(__m128 x, __m128 y) {
    return _mm_shuffle_ps(x, y, _MM_SHUFFLE(2, 0, 2, 0));
}
inline __m128 odds(__m128 x, __m128 y) {
    return _mm_shuffle_ps(x, y, _MM_SHUFFLE(3, 1, 3, 1));
}

// The stages of half-lengths 1, 2 and 4 on consecutive runs of 8 points, in registers.
void firstThreeStages(float* re, float* im, std::size_t n) {
    const float* t = fftTwiddles();
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

}  // namespace

void fftStagesSse2(float* re, float* im, std::size_t n) {
    if (n < 16) {
        fftStagesScalar(re, im, n);
        return;
    }
    stagesInBlocks(re, im, n, 1, firstThreeStages, 8, n);
}

float fftStagesAndMagnitudesSse2(float* re, float* im, float* mags, float floor) {
    return stagesInBlocksAndMagnitudes(re, im, 1, firstThreeStages, 8, mags, floor);
}

#endif
