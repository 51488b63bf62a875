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

// Factor j of stage `half`, in every lane.
inline void broadcastFactor(const float* twiddles, std::size_t half, std::size_t j, Vector& wRe,
                            Vector& wIm) {
    const float* w = factorAt(twiddles, half, j);
    wRe = broadcast(w[0]);
    wIm = broadcast(w[factorBlock(half)]);
}

// Half-lengths 1 and 2 on rows 0 .. 3 of a run, all still real. Rows 0 and 2 stay real; rows 1
// and 3 gain the imaginary parts im1 and im3, as only the factor (w2Re, w2Im) is not (1, 0).
inline void firstTwoStagesOnRows(Vector& re0, Vector& re1, Vector& re2, Vector& re3, Vector& im1,
                                 Vector& im3, const float* twiddles) {
    Vector wRe;
    Vector wIm;
    broadcastFactor(twiddles, 2, 1, wRe, wIm);
    realButterfly(re0, re1);
    realButterfly(re2, re3);
    realButterfly(re0, re2);
    im1 = zeros();
    im3 = zeros();
    butterfly(re1, im1, re3, im3, wRe, wIm);
}

// Half-lengths 4 and 8 on rows 0, 4, 8 and 12 of a run, all still real: they meet with the
// factor (1, +0) in both stages but the last pair, which gives rows 4 and 12 imaginary parts.
inline void lastTwoStagesOnRealRows(Vector& re0, Vector& re4, Vector& im4, Vector& re8,
                                    Vector& re12, Vector& im12, const float* twiddles) {
    Vector wRe;
    Vector wIm;
    realButterfly(re0, re4);
    realButterfly(re8, re12);
    realButterfly(re0, re8);
    broadcastFactor(twiddles, 8, 4, wRe, wIm);
    im4 = zeros();
    im12 = zeros();
    butterfly(re4, im4, re12, im12, wRe, wIm);
}

// Half-lengths 4 and 8 on rows j, j + 4, j + 8 and j + 12 of a run (j = 1, 2 or 3): a to d.
inline void lastTwoStagesOnRows(std::size_t j, Vector& aRe, Vector& aIm, Vector& bRe, Vector& bIm,
                                Vector& cRe, Vector& cIm, Vector& dRe, Vector& dIm,
                                const float* twiddles) {
    Vector wRe;
    Vector wIm;
    broadcastFactor(twiddles, 4, j, wRe, wIm);
    butterfly(aRe, aIm, bRe, bIm, wRe, wIm);
    butterfly(cRe, cIm, dRe, dIm, wRe, wIm);
    broadcastFactor(twiddles, 8, j, wRe, wIm);
    butterfly(aRe, aIm, cRe, cIm, wRe, wIm);
    broadcastFactor(twiddles, 8, j + 4, wRe, wIm);
    butterfly(bRe, bIm, dRe, dIm, wRe, wIm);
}

// Point i of the 16 that the first four stages combine sits in row i; every lane is a run of its
// own. The stages pair rows, so each butterfly acts on all lanes with one factor and no lane
// moves. The imaginary parts start as +0 and are written, not read, until they stop being +0.
inline void firstFourStagesOnRows(Vector* re, Vector* im, const float* twiddles) {
    for (std::size_t q = 0; q < 16; q += 4) {
        firstTwoStagesOnRows(re[q], re[q + 1], re[q + 2], re[q + 3], im[q + 1], im[q + 3],
                             twiddles);
        im[q] = zeros();
        im[q + 2] = zeros();
    }
    lastTwoStagesOnRealRows(re[0], re[4], im[4], re[8], re[12], im[12], twiddles);
    for (std::size_t j = 1; j < 4; ++j) {
        lastTwoStagesOnRows(j, re[j], im[j], re[j + 4], im[j + 4], re[j + 8], im[j + 8], re[j + 12],
                            im[j + 12], twiddles);
    }
}

}  // namespace
