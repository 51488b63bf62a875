#pragma once

// The butterfly stages from half-length kLanes on, for any vector width: include this after one
// of the vocabulary headers, in a file compiled for that extension. Internal linkage, as those
// have. The stages take their factors from fftTwiddles().
#include <cstddef>

#include "analysis/fft/simd/butterflies.h"
#include "analysis/fft/twiddles.h"

namespace {

// Factors j .. j + kLanes - 1 of the stage with half-length `half` (at least kLanes, j a multiple
// of kLanes). The table keeps a stage's factors in blocks of min(half, 16) real parts followed by
// as many imaginary parts; twiddleIndex() is not called here, as an out-of-line copy of it built
// for a wider extension could be chosen by the linker for every caller.
inline void loadFactors(const float* twiddles, std::size_t half, std::size_t j, Vector& wRe,
                        Vector& wIm) {
    const std::size_t block = half < 16 ? half : 16;
    const float* w = twiddles + 2 * half + 2 * (j & ~(block - 1)) + (j & (block - 1));
    wRe = load(w);
    wIm = load(w + block);
}

// One stage of half-length `half` (at least kLanes) over n points.
inline void stage(float* re, float* im, std::size_t n, std::size_t half, const float* twiddles) {
    for (std::size_t g = 0; g < n; g += 2 * half) {
        for (std::size_t j = 0; j < half; j += kLanes) {
            Vector wRe;
            Vector wIm;
            loadFactors(twiddles, half, j, wRe, wIm);
            float* aRe = re + g + j;
            float* aIm = im + g + j;
            Vector xRe = load(aRe);
            Vector xIm = load(aIm);
            Vector yRe = load(aRe + half);
            Vector yIm = load(aIm + half);
            butterfly(xRe, xIm, yRe, yIm, wRe, wIm);
            store(aRe, xRe);
            store(aIm, xIm);
            store(aRe + half, yRe);
            store(aIm + half, yIm);
        }
    }
}

// The stages of half-lengths `half` (at least kLanes) and 2 * half together, over quarters of
// each group of 4 * half points, so that every point is loaded and stored once for both.
inline void twoStages(float* re, float* im, std::size_t n, std::size_t half,
                      const float* twiddles) {
    for (std::size_t g = 0; g < n; g += 4 * half) {
        for (std::size_t j = 0; j < half; j += kLanes) {
            float* pRe = re + g + j;
            float* pIm = im + g + j;
            Vector xRe[4];
            Vector xIm[4];
            for (std::size_t q = 0; q < 4; ++q) {
                xRe[q] = load(pRe + q * half);
                xIm[q] = load(pIm + q * half);
            }
            Vector wRe;
            Vector wIm;
            loadFactors(twiddles, half, j, wRe, wIm);
            butterfly(xRe[0], xIm[0], xRe[1], xIm[1], wRe, wIm);
            butterfly(xRe[2], xIm[2], xRe[3], xIm[3], wRe, wIm);
            loadFactors(twiddles, 2 * half, j, wRe, wIm);
            butterfly(xRe[0], xIm[0], xRe[2], xIm[2], wRe, wIm);
            loadFactors(twiddles, 2 * half, j + half, wRe, wIm);
            butterfly(xRe[1], xIm[1], xRe[3], xIm[3], wRe, wIm);
            for (std::size_t q = 0; q < 4; ++q) {
                store(pRe + q * half, xRe[q]);
                store(pIm + q * half, xIm[q]);
            }
        }
    }
}

// Stages of half-length `half` (at least kLanes) up to n / 2, two at a time where two remain.
inline void laterStages(float* re, float* im, std::size_t n, std::size_t half,
                        const float* twiddles) {
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

// Points per cache block: its stages run while the block stays in the L1 cache.
constexpr std::size_t kBlock = 2048;

// The largest lane of `largest`, or `floor` if that is larger.
inline float largestLane(Vector largest, float floor) {
    alignas(64) float lanes[kLanes];
    store(lanes, largest);
    float result = floor;
    for (float lane : lanes) {
        result = lane > result ? lane : result;
    }
    return result;
}

// For an n-point transform of real input that has been through every stage but the last: the
// last stage for bins 0 .. n/2 - 1 only, and their magnitudes into mags. The last stage would
// write the upper half too, and the magnitudes would then read the lower half back; here each bin
// is finished and measured while it is in a register, and nothing is stored but the magnitudes.
// Returns the largest magnitude, or `floor` where none is larger.
inline float lastStageMagnitudes(const float* re, const float* im, std::size_t n, float* mags,
                                 float floor, const float* twiddles) {
    const std::size_t half = n / 2;
    Vector largest = broadcast(floor);
    for (std::size_t j = 0; j < half; j += kLanes) {
        Vector wRe;
        Vector wIm;
        loadFactors(twiddles, half, j, wRe, wIm);
        Vector xRe = load(re + j);
        Vector xIm = load(im + j);
        Vector yRe = load(re + half + j);
        Vector yIm = load(im + half + j);
        butterfly(xRe, xIm, yRe, yIm, wRe, wIm);
        const Vector magnitude = squareRoot(add(multiply(xRe, xRe), multiply(xIm, xIm)));
        store(mags + j, magnitude);
        largest = maximum(largest, magnitude);
    }
    return largestLane(largest, floor);
}

// The stages below some half-length, each run of that many points in registers.
using ShuffledStages = void (*)(float* re, float* im, std::size_t n);

// The stages from half-length firstHalf on: 1 for all of them, else at least shuffledEnd. Blocks
// that fit the L1 cache go through all their stages before the next block is touched; the
// stages below half-length shuffledEnd, which mix the lanes of a vector, are `shuffled`.
inline void stagesInBlocks(float* re, float* im, std::size_t n, std::size_t firstHalf,
                           ShuffledStages shuffled, std::size_t shuffledEnd) {
    const float* twiddles = fftTwiddles();
    const std::size_t block = n < kBlock ? n : kBlock;
    for (std::size_t start = 0; start < n; start += block) {
        if (firstHalf < shuffledEnd) {
            shuffled(re + start, im + start, block);
            laterStages(re + start, im + start, block, shuffledEnd, twiddles);
        } else {
            laterStages(re + start, im + start, block, firstHalf, twiddles);
        }
    }
    laterStages(re, im, n, block > firstHalf ? block : firstHalf, twiddles);
}

// For a kTwiddleTableLength-point transform of real input: stagesInBlocks on each half for every
// stage but the last, then the last fused with the magnitudes as lastStageMagnitudes does it.
inline float stagesInBlocksAndMagnitudes(float* re, float* im, std::size_t firstHalf,
                                         ShuffledStages shuffled, std::size_t shuffledEnd,
                                         float* mags, float floor) {
    constexpr std::size_t kHalf = kTwiddleTableLength / 2;
    stagesInBlocks(re, im, kHalf, firstHalf, shuffled, shuffledEnd);
    stagesInBlocks(re + kHalf, im + kHalf, kHalf, firstHalf, shuffled, shuffledEnd);
    return lastStageMagnitudes(re, im, kTwiddleTableLength, mags, floor, fftTwiddles());
}

}  // namespace
