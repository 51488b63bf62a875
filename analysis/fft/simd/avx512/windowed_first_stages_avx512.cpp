// Compiled with AVX-512F enabled and entered only after cpuSupportsAvx512(). As in the AVX2 stages,
// everything here has internal linkage, as do the vector operations and stages it uses from
// headers.
#include "analysis/fft/windowed_first_stages.h"

#if defined(VOXWELL_SSE2)

#include <immintrin.h>

#include "analysis/fft/bit_reverse.h"
#include "analysis/fft/twiddles.h"
#include "analysis/fft/simd/avx512/avx512.h"
#include "state/samples.h"

// Written in terms of the vector operations above.
#include "analysis/fft/simd/first_four_stages_on_rows.h"
#include "analysis/fft/simd/stages.h"

namespace {

constexpr std::size_t kQuarter = 4096;

// GCC 12 reports the unspecified pass-through vector inside the plain forms of some of these
// intrinsics as uninitialised; their zero-masking forms with every lane selected are the same
// operations without one.
constexpr __mmask16 kAllLanes = 0xFFFF;

// Writes column c of the 16 rows as 16 consecutive floats at out + c * stride.
inline void storeTransposed(const __m512* rows, float* out, std::size_t stride) {
    __m512 t[16];
    for (std::size_t k = 0; k < 16; k += 2) {
        t[k] = _mm512_maskz_unpacklo_ps(kAllLanes, rows[k], rows[k + 1]);
        t[k + 1] = _mm512_maskz_unpackhi_ps(kAllLanes, rows[k], rows[k + 1]);
    }
    // u[4k + c], in its 128-bit lane l, holds column 4l + c of rows 4k .. 4k + 3.
    __m512 u[16];
    for (std::size_t k = 0; k < 16; k += 4) {
        u[k] = _mm512_maskz_shuffle_ps(kAllLanes, t[k], t[k + 2], _MM_SHUFFLE(1, 0, 1, 0));
        u[k + 1] = _mm512_maskz_shuffle_ps(kAllLanes, t[k], t[k + 2], _MM_SHUFFLE(3, 2, 3, 2));
        u[k + 2] = _mm512_maskz_shuffle_ps(kAllLanes, t[k + 1], t[k + 3], _MM_SHUFFLE(1, 0, 1, 0));
        u[k + 3] = _mm512_maskz_shuffle_ps(kAllLanes, t[k + 1], t[k + 3], _MM_SHUFFLE(3, 2, 3, 2));
    }
    for (std::size_t c = 0; c < 4; ++c) {
        const __m512 x0 =
            _mm512_maskz_shuffle_f32x4(kAllLanes, u[c], u[4 + c], _MM_SHUFFLE(2, 0, 2, 0));
        const __m512 x1 =
            _mm512_maskz_shuffle_f32x4(kAllLanes, u[c], u[4 + c], _MM_SHUFFLE(3, 1, 3, 1));
        const __m512 y0 =
            _mm512_maskz_shuffle_f32x4(kAllLanes, u[8 + c], u[12 + c], _MM_SHUFFLE(2, 0, 2, 0));
        const __m512 y1 =
            _mm512_maskz_shuffle_f32x4(kAllLanes, u[8 + c], u[12 + c], _MM_SHUFFLE(3, 1, 3, 1));
        _mm512_store_ps(out + c * stride,
                        _mm512_maskz_shuffle_f32x4(kAllLanes, x0, y0, _MM_SHUFFLE(2, 0, 2, 0)));
        _mm512_store_ps(out + (4 + c) * stride,
                        _mm512_maskz_shuffle_f32x4(kAllLanes, x1, y1, _MM_SHUFFLE(2, 0, 2, 0)));
        _mm512_store_ps(out + (8 + c) * stride,
                        _mm512_maskz_shuffle_f32x4(kAllLanes, x0, y0, _MM_SHUFFLE(3, 1, 3, 1)));
        _mm512_store_ps(out + (12 + c) * stride,
                        _mm512_maskz_shuffle_f32x4(kAllLanes, x1, y1, _MM_SHUFFLE(3, 1, 3, 1)));
    }
}

// Factors j .. j + 15 of the stage with half-length `half` (16 or more, j a multiple of 16).
struct Factors {
    __m512 re;
    __m512 im;
};

inline Factors factors(const float* twiddles, std::size_t half, std::size_t j) {
    Factors factors;
    loadFactors(twiddles, half, j, factors.re, factors.im);
    return factors;
}

// The stages of half-lengths 16, 32 and 64 on 128 consecutive points, x[q] holding points
// 16 q .. 16 q + 15.
inline void stages16To64(__m512* xRe, __m512* xIm, const Factors* w16, const Factors* w32,
                         const Factors* w64) {
    for (std::size_t q = 0; q < 8; q += 2) {
        butterfly(xRe[q], xIm[q], xRe[q + 1], xIm[q + 1], w16->re, w16->im);
    }
    for (std::size_t q = 0; q < 2; ++q) {
        butterfly(xRe[q], xIm[q], xRe[q + 2], xIm[q + 2], w32[q].re, w32[q].im);
        butterfly(xRe[q + 4], xIm[q + 4], xRe[q + 6], xIm[q + 6], w32[q].re, w32[q].im);
    }
    for (std::size_t q = 0; q < 4; ++q) {
        butterfly(xRe[q], xIm[q], xRe[q + 4], xIm[q + 4], w64[q].re, w64[q].im);
    }
}

}  // namespace

// The AVX2 version with whole rows of 16 samples, all 16 runs of one m at once. Eight
// consecutive runs of one sixteenth of the output are 128 consecutive points: the next three
// stages run on them while they wait in the buffer.
std::size_t loadWindowedFirstStagesAvx512(const std::int16_t* samples, std::size_t used,
                                          const float* window, float* re, float* im) {
    const float* twiddles = fftTwiddles();
    const Factors w16 = factors(twiddles, 16, 0);
    const Factors w32[2] = {factors(twiddles, 32, 0), factors(twiddles, 32, 16)};
    const Factors w64[4] = {factors(twiddles, 64, 0), factors(twiddles, 64, 16),
                            factors(twiddles, 64, 32), factors(twiddles, 64, 48)};
    __m512 rowsRe[16];
    __m512 rowsIm[16];
    constexpr std::size_t kSlots = 8;
    alignas(64) float batchRe[16][kSlots * 16];
    alignas(64) float batchIm[16][kSlots * 16];
    for (std::size_t firstSlot = 0; firstSlot < 256; firstSlot += kSlots) {
        for (std::size_t k = 0; k < kSlots; ++k) {
            const std::size_t m = reverseEightBits(firstSlot + k);
            for (std::size_t row = 0; row < 16; ++row) {
                rowsRe[row] =
                    windowedSamples(samples, used, window, kReversedFour[row] * kQuarter + 16 * m);
            }
            firstFourStagesOnRows(rowsRe, rowsIm, twiddles);
            storeTransposed(rowsRe, batchRe[0] + 16 * k, kSlots * 16);
            storeTransposed(rowsIm, batchIm[0] + 16 * k, kSlots * 16);
        }
        for (std::size_t c = 0; c < 16; ++c) {
            __m512 xRe[kSlots];
            __m512 xIm[kSlots];
            for (std::size_t q = 0; q < kSlots; ++q) {
                xRe[q] = _mm512_load_ps(batchRe[c] + 16 * q);
                xIm[q] = _mm512_load_ps(batchIm[c] + 16 * q);
            }
            stages16To64(xRe, xIm, &w16, w32, w64);
            const std::size_t first = kReversedFour[c] * kQuarter + 16 * firstSlot;
            for (std::size_t q = 0; q < kSlots; ++q) {
                _mm512_storeu_ps(re + first + 16 * q, xRe[q]);
                _mm512_storeu_ps(im + first + 16 * q, xIm[q]);
            }
        }
    }
    return 128;
}

#endif
