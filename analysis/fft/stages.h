#pragma once

#include <cstddef>

#include "analysis/fft/simd.h"

// Internal linkage, as files compiled for wider extensions include this too.
namespace {

// The radix-2 butterfly on points a and b with the factor w: t = b * w, then b = a - t and
// a = a + t, in this order of operations; every route of the transform computes exactly this.
inline void scalarButterfly(float* re, float* im, std::size_t a, std::size_t b, float wRe,
                            float wIm) {
    const float tRe = re[b] * wRe - im[b] * wIm;
    const float tIm = im[b] * wRe + re[b] * wIm;
    re[b] = re[a] - tRe;
    im[b] = im[a] - tIm;
    re[a] = re[a] + tRe;
    im[a] = im[a] + tIm;
}

}  // namespace

// Every butterfly stage of an n-point transform (n a power of two, n <= kTwiddleTableLength)
// whose input is already in bit-reversed order, with the factors of fftTwiddles(). All variants
// give identical bits: each butterfly multiplies, subtracts and adds exactly as the scalar one
// does, only several at once, and no multiply is fused with an add.
void fftStagesScalar(float* re, float* im, std::size_t n);

#if defined(VOXWELL_SSE2)
// Four butterflies at a time.
void fftStagesSse2(float* re, float* im, std::size_t n);
// Eight butterflies at a time; only for processors that report AVX2.
void fftStagesAvx2(float* re, float* im, std::size_t n);
// The stages of half-lengths 1, 2, 4 and 8 alone, on each run of 16 points (n a multiple of 16);
// AVX2 only.
void fftFirstFourStagesAvx2(float* re, float* im, std::size_t n);
// Sixteen butterflies at a time; only for processors that report AVX-512F.
void fftStagesAvx512(float* re, float* im, std::size_t n);
// The stages from half-length firstHalf (16 or more) on, for input that has been through the
// earlier ones already (n a multiple of 2 * firstHalf); AVX-512F only.
void fftStagesFromAvx512(float* re, float* im, std::size_t n, std::size_t firstHalf);

// For a kTwiddleTableLength-point transform of real input, in bit-reversed order and through the
// stages below half-length firstHalf: the remaining stages, the last for bins 0 .. n/2 - 1 only,
// with the magnitudes of those bins into mags, the bits the complete transform followed by
// magnitudesAndPeak gives. Returns the largest magnitude, or `floor` where none is larger. The
// transform itself is left unfinished. SSE2 (from the first stage on) and AVX-512F.
float fftStagesAndMagnitudesSse2(float* re, float* im, float* mags, float floor);
float fftStagesAndMagnitudesFromAvx512(float* re, float* im, std::size_t firstHalf, float* mags,
                                       float floor);
#endif
