#pragma once

// The first four butterfly stages with the points of each run down a column of 16 rows, for
// any vector width: include this after one of the vocabulary headers (sse2.h, avx2.h, avx512.h), in
// a file compiled for that extension. Internal linkage, as those have.
#include <cstddef>

#include "analysis/fft/simd/butterflies.h"
#include "state/samples.h"

namespace {

// kLanes windowed samples from index `first` on, +0 from `used` on: sample times 2^-15 times the
// window, in this order.
inline Vector windowedSamples(const std::int16_t* samples, std::size_t used, const float* window,
                              std::size_t first) {
    if (first + kLanes <= used) {
        return multiply(multiply(fromSamples(samples + first), broadcast(kSampleScale)),
                        load(window + first));
    }
    alignas(64) float values[kLanes];
    for (std::size_t k = 0; k < kLanes; ++k) {
        const std::size_t i = first + k;
        values[k] = i < used ? (static_cast<float>(samples[i]) * kSampleScale) * window[i] : 0.0f;
    }
    return load(values);
}

// The factor of stage `half` (below 16) at j, in every lane.
inline void broadcastFactor(const float* twiddles, std::size_t half, std::size_t j, Vector& wRe,
                            Vector& wIm) {
    // Below half-length 16 a stage's real parts and imaginary parts are each `half` long.
    wRe = broadcast(twiddles[2 * half + j]);
    wIm = broadcast(twiddles[3 * half + j]);
}

// Point i of the 16 that the first four stages combine sits in row i; every lane is a run of its
// own. The stages pair rows, so each butterfly acts on all lanes with one factor and no lane
// moves. The imaginary parts start as +0 and are written, not read, until they stop being +0.
inline void firstFourStagesOnRows(Vector* re, Vector* im, const float* twiddles) {
    const Vector zero = zeros();
    Vector wRe;
    Vector wIm;
    // Half-lengths 1 and 2 on rows 4q .. 4q + 3; only the factor (w2Re, w2Im) is not (1, 0).
    broadcastFactor(twiddles, 2, 1, wRe, wIm);
    for (std::size_t q = 0; q < 16; q += 4) {
        realButterfly(re[q], re[q + 1]);
        realButterfly(re[q + 2], re[q + 3]);
        realButterfly(re[q], re[q + 2]);
        im[q] = zero;
        im[q + 2] = zero;
        Vector aIm = zero;
        Vector bIm = zero;
        butterfly(re[q + 1], aIm, re[q + 3], bIm, wRe, wIm);
        im[q + 1] = aIm;
        im[q + 3] = bIm;
    }
    // Half-lengths 4 and 8 on rows j, j + 4, j + 8, j + 12. For j = 0 rows 0, 4, 8 and 12 are
    // still real and meet with the factor (1, +0) in both stages but the last pair.
    realButterfly(re[0], re[4]);
    realButterfly(re[8], re[12]);
    realButterfly(re[0], re[8]);
    broadcastFactor(twiddles, 8, 4, wRe, wIm);
    butterfly(re[4], im[4], re[12], im[12], wRe, wIm);
    for (std::size_t j = 1; j < 4; ++j) {
        broadcastFactor(twiddles, 4, j, wRe, wIm);
        butterfly(re[j], im[j], re[j + 4], im[j + 4], wRe, wIm);
        butterfly(re[j + 8], im[j + 8], re[j + 12], im[j + 12], wRe, wIm);
        broadcastFactor(twiddles, 8, j, wRe, wIm);
        butterfly(re[j], im[j], re[j + 8], im[j + 8], wRe, wIm);
        broadcastFactor(twiddles, 8, j + 4, wRe, wIm);
        butterfly(re[j + 4], im[j + 4], re[j + 12], im[j + 12], wRe, wIm);
    }
}

}  // namespace
