// Compiled with AVX2 enabled and entered only after cpuSupportsAvx2(). Everything here has
// internal linkage, and the only inline functions used from headers are the intrinsics and the
// vector operations and stages, which have internal linkage too: so no AVX2-encoded copy of a
// shared inline function can be picked by the linker for code that runs on older processors.
#include "analysis/fft/stages.h"

#if defined(VOXWELL_SSE2)

#include <immintrin.h>

#include "analysis/fft/twiddles.h"
#include "analysis/fft/simd/avx2/avx2.h"

// Written in terms of the vector operations above.
#include "analysis/fft/simd/stages.h"

namespace {

// Within each 128-bit half, the even and the odd lanes of x followed by those of y.
inline __m256 evens(__m256 x, __m256 y) {
    return _mm256_shuffle_ps(x, y, _MM_SHUFFLE(2, 0, 2, 0));
}
inline __m256 odds(__m256 x, __m256 y) {
    return _mm256_shuffle_ps(x, y, _MM_SHUFFLE(3, 1, 3, 1));
}
// The low halves of x and y, and their high halves.
inline __m256 lows(__m256 x, __m256 y) {
    return _mm256_permute2f128_ps(x, y, 0x20);
}
inline __m256 highs(__m256 x, __m256 y) {
    return _mm256_permute2f128_ps(x, y, 0x31);
}

// Stages of half-length 1, 2, 4 and 8 on consecutive runs of 16 points, in registers. The lane
// comments name the points each vector holds.
void firstFourStages(float* re, float* im, std::size_t n, const float* t) {
    const __m256 w1Re = _mm256_set1_ps(t[2]);
    const __m256 w1Im = _mm256_set1_ps(t[3]);
    const __m256 w2Re = _mm256_setr_ps(t[4], t[4], t[5], t[5], t[4], t[4], t[5], t[5]);
    const __m256 w2Im = _mm256_setr_ps(t[6], t[6], t[7], t[7], t[6], t[6], t[7], t[7]);
    const __m256 w4Re = _mm256_setr_ps(t[8], t[9], t[10], t[11], t[8], t[9], t[10], t[11]);
    const __m256 w4Im = _mm256_setr_ps(t[12], t[13], t[14], t[15], t[12], t[13], t[14], t[15]);
    const __m256 w8Re = _mm256_loadu_ps(t + 16);
    const __m256 w8Im = _mm256_loadu_ps(t + 24);
    for (std::size_t i = 0; i < n; i += 16) {
        const __m256 re0 = _mm256_loadu_ps(re + i);
        const __m256 re1 = _mm256_loadu_ps(re + i + 8);
        const __m256 im0 = _mm256_loadu_ps(im + i);
        const __m256 im1 = _mm256_loadu_ps(im + i + 8);
        // Half-length 1: (0 2 8 10 | 4 6 12 14) with (1 3 9 11 | 5 7 13 15).
        __m256 aRe = evens(re0, re1);
        __m256 aIm = evens(im0, im1);
        __m256 bRe = odds(re0, re1);
        __m256 bIm = odds(im0, im1);
        butterfly(aRe, aIm, bRe, bIm, w1Re, w1Im);
        // Half-length 2: (0 8 1 9 | 4 12 5 13) with (2 10 3 11 | 6 14 7 15).
        __m256 cRe = evens(aRe, bRe);
        __m256 cIm = evens(aIm, bIm);
        __m256 dRe = odds(aRe, bRe);
        __m256 dIm = odds(aIm, bIm);
        butterfly(cRe, cIm, dRe, dIm, w2Re, w2Im);
        // Half-length 4: (0 1 2 3 | 8 9 10 11) with (4 5 6 7 | 12 13 14 15).
        const __m256 pRe = evens(cRe, dRe);  // (0 1 2 3 | 4 5 6 7)
        const __m256 pIm = evens(cIm, dIm);
        const __m256 qRe = odds(cRe, dRe);  // (8 9 10 11 | 12 13 14 15)
        const __m256 qIm = odds(cIm, dIm);
        __m256 eRe = lows(pRe, qRe);
        __m256 eIm = lows(pIm, qIm);
        __m256 fRe = highs(pRe, qRe);
        __m256 fIm = highs(pIm, qIm);
        butterfly(eRe, eIm, fRe, fIm, w4Re, w4Im);
        // Half-length 8: (0 .. 7) with (8 .. 15), in natural order again.
        __m256 gRe = lows(eRe, fRe);
        __m256 gIm = lows(eIm, fIm);
        __m256 hRe = highs(eRe, fRe);
        __m256 hIm = highs(eIm, fIm);
        butterfly(gRe, gIm, hRe, hIm, w8Re, w8Im);
        _mm256_storeu_ps(re + i, gRe);
        _mm256_storeu_ps(re + i + 8, hRe);
        _mm256_storeu_ps(im + i, gIm);
        _mm256_storeu_ps(im + i + 8, hIm);
    }
}

}  // namespace

void fftFirstFourStagesAvx2(float* re, float* im, std::size_t n) {
    firstFourStages(re, im, n, fftTwiddles());
}

void fftStagesAvx2(float* re, float* im, std::size_t n) {
    if (n < 16) {
        fftStagesSse2(re, im, n);
        return;
    }
    stagesInBlocks(re, im, n, 1, fftFirstFourStagesAvx2, 16, n);
}

#endif
