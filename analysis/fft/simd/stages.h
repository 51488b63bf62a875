#pragma once

// The butterfly stages from half-length kLanes on, for any vector width: include this after one
// of the vocabulary headers, in a file compiled for that extension. Internal linkage, as those
// have. The stages take their factors from fftTwiddles().
#include <cstddef>

#include "analysis/fft/simd/butterflies.h"
#include "analysis/fft/twiddles.h"

namespace {

// Factors j .. j + kLanes - 1 of the stage with half-length `half` (at least kLanes, j a multiple
// of kLanes).
inline void loadFactors(const float* twiddles, std::size_t half, std::size_t j, Vector& wRe,
                        Vector& wIm) {
    const float* w = factorAt(twiddles, half, j);
    wRe = load(w);
    wIm = load(w + factorBlock(half));
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

// Two stages on kLanes points of each quarter of a group, from pRe and pIm on, `stride` apart:
// the quarters pair 0 with 1 and 2 with 3 in the first, 0 with 2 and 1 with 3 in the second.
// factors(i, wRe, wIm) gives the factors of the first stage (i = 0) and of the second for
// quarters 0 and 2 (i = 1) and 1 and 3 (i = 2). In this order of work few values are live at
// once, so that every point and factor is fetched once.
template <typename Factors>
inline void radix4(float* pRe, float* pIm, std::size_t stride, Factors factors) {
    Vector wRe;
    Vector wIm;
    factors(0, wRe, wIm);
    Vector x1Re = load(pRe + stride);
    Vector x1Im = load(pIm + stride);
    Vector x0Re = load(pRe);
    Vector x0Im = load(pIm);
    butterfly(x0Re, x0Im, x1Re, x1Im, wRe, wIm);
    Vector x3Re = load(pRe + 3 * stride);
    Vector x3Im = load(pIm + 3 * stride);
    Vector x2Re = load(pRe + 2 * stride);
    Vector x2Im = load(pIm + 2 * stride);
    butterfly(x2Re, x2Im, x3Re, x3Im, wRe, wIm);
    factors(1, wRe, wIm);
    butterfly(x0Re, x0Im, x2Re, x2Im, wRe, wIm);
    store(pRe, x0Re);
    store(pIm, x0Im);
    store(pRe + 2 * stride, x2Re);
    store(pIm + 2 * stride, x2Im);
    factors(2, wRe, wIm);
    butterfly(x1Re, x1Im, x3Re, x3Im, wRe, wIm);
    store(pRe + stride, x1Re);
    store(pIm + stride, x1Im);
    store(pRe + 3 * stride, x3Re);
    store(pIm + 3 * stride, x3Im);
}

// For radix4: the factors of the first stage at w1, their imaginary parts block1 further; those
// of the second at w2 for quarters 0 and 2 and at w2 + second for quarters 1 and 3, their
// imaginary parts block2 further.
inline void radix4Loading(float* pRe, float* pIm, std::size_t half, const float* w1,
                          std::size_t block1, const float* w2, std::size_t second,
                          std::size_t block2) {
    radix4(pRe, pIm, half, [=](std::size_t i, Vector& wRe, Vector& wIm) {
        const float* w = i == 0 ? w1 : i == 1 ? w2 : w2 + second;
        const std::size_t block = i == 0 ? block1 : block2;
        wRe = load(w);
        wIm = load(w + block);
    });
}

// The stages of half-lengths `half` (at least kLanes) and 2 * half together, over quarters of
// each group of 4 * half points, so that every point is loaded and stored once for both.
inline void twoStages(float* re, float* im, std::size_t n, std::size_t half,
                      const float* twiddles) {
    const float* w1 = twiddles + 2 * half;
    const float* w2 = twiddles + 4 * half;
    if (half >= 16) {
        // Both stages keep their factors in blocks of 16: factor j of either is 2 j - (j % 16)
        // entries into the stage's part of the table, and factor j + half of the second 2 half
        // entries further still.
        for (std::size_t g = 0; g < n; g += 4 * half) {
            for (std::size_t j = 0; j < half; j += 16) {
                for (std::size_t k = 0; k < 16; k += kLanes) {
                    const std::size_t f = 2 * j + k;
                    radix4Loading(re + g + j + k, im + g + j + k, half, w1 + f, 16, w2 + f,
                                  2 * half, 16);
                }
            }
        }
        return;
    }
    // Below 16, the first stage's factors form one block of `half` and the second's one of
    // 2 * half.
    for (std::size_t g = 0; g < n; g += 4 * half) {
        for (std::size_t j = 0; j < half; j += kLanes) {
            radix4Loading(re + g + j, im + g + j, half, w1 + j, half, w2 + j, half, 2 * half);
        }
    }
}

// The stages of half-lengths `half` (at least kLanes) up to, not including, `end` (at most n),
// two at a time where two remain.
inline void laterStages(float* re, float* im, std::size_t n, std::size_t half, std::size_t end,
                        const float* twiddles) {
    while (half < end) {
        if (4 * half <= end) {
            twoStages(re, im, n, half, twiddles);
            half *= 4;
        } else {
            stage(re, im, n, half, twiddles);
            half *= 2;
        }
    }
}

// Points per cache block: its stages run while the block (32 KiB of re and im) stays in the L1
// cache.
constexpr std::size_t kBlock = 4096;

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

// The magnitude of a + b * w, the sum of the butterfly on a and b; its difference is not formed.
inline Vector sumMagnitude(Vector aRe, Vector aIm, Vector bRe, Vector bIm, const float* w) {
    butterfly(aRe, aIm, bRe, bIm, load(w), load(w + 16));
    return squareRoot(add(multiply(aRe, aRe), multiply(aIm, aIm)));
}

// For an n-point transform of real input (n at least 64) that has been through every stage but
// the last two: those two for bins 0 .. n/2 - 1 only, and their magnitudes into mags. The four
// points j + q n/4 that meet there are finished and measured while they are in registers: the
// upper half of the transform is never formed and nothing is stored but the magnitudes. Returns
// the largest magnitude, or `floor` where none is larger.
inline float lastTwoStagesMagnitudes(const float* re, const float* im, std::size_t n, float* mags,
                                     float floor, const float* twiddles) {
    const std::size_t quarter = n / 4;
    const float* w1 = twiddles + 2 * quarter;
    const float* w2 = twiddles + 4 * quarter;
    Vector largest = broadcast(floor);
    for (std::size_t j = 0; j < quarter; j += 16) {
        for (std::size_t k = 0; k < 16; k += kLanes) {
            const std::size_t f = 2 * j + k;
            const std::size_t i = j + k;
            Vector x0Re = load(re + i);
            Vector x0Im = load(im + i);
            Vector x1Re = load(re + quarter + i);
            Vector x1Im = load(im + quarter + i);
            butterfly(x0Re, x0Im, x1Re, x1Im, load(w1 + f), load(w1 + f + 16));
            Vector x2Re = load(re + 2 * quarter + i);
            Vector x2Im = load(im + 2 * quarter + i);
            Vector x3Re = load(re + 3 * quarter + i);
            Vector x3Im = load(im + 3 * quarter + i);
            butterfly(x2Re, x2Im, x3Re, x3Im, load(w1 + f), load(w1 + f + 16));
            const Vector low = sumMagnitude(x0Re, x0Im, x2Re, x2Im, w2 + f);
            const Vector high = sumMagnitude(x1Re, x1Im, x3Re, x3Im, w2 + 2 * quarter + f);
            store(mags + i, low);
            store(mags + quarter + i, high);
            largest = maximum(largest, maximum(low, high));
        }
    }
    return largestLane(largest, floor);
}

// The stages below some half-length, each run of that many points in registers.
using ShuffledStages = void (*)(float* re, float* im, std::size_t n);

// The stages from half-length firstHalf (1 for all of them, else at least shuffledEnd) up to,
// not including, `end` (at most n). Blocks that fit the L1 cache go through their stages before
// the next block is touched; the stages below half-length shuffledEnd, which mix the lanes of a
// vector, are `shuffled`.
inline void stagesInBlocks(float* re, float* im, std::size_t n, std::size_t firstHalf,
                           ShuffledStages shuffled, std::size_t shuffledEnd, std::size_t end) {
    const float* twiddles = fftTwiddles();
    const std::size_t block = n < kBlock ? n : kBlock;
    const std::size_t blockEnd = block < end ? block : end;
    for (std::size_t start = 0; start < n; start += block) {
        if (firstHalf < shuffledEnd) {
            shuffled(re + start, im + start, block);
            laterStages(re + start, im + start, block, shuffledEnd, blockEnd, twiddles);
        } else {
            laterStages(re + start, im + start, block, firstHalf, blockEnd, twiddles);
        }
    }
    laterStages(re, im, n, blockEnd > firstHalf ? blockEnd : firstHalf, end, twiddles);
}

// For a kTwiddleTableLength-point transform of real input: stagesInBlocks for every stage but the
// last two, then those fused with the magnitudes as lastTwoStagesMagnitudes does it.
inline float stagesInBlocksAndMagnitudes(float* re, float* im, std::size_t firstHalf,
                                         ShuffledStages shuffled, std::size_t shuffledEnd,
                                         float* mags, float floor) {
    constexpr std::size_t kPoints = kTwiddleTableLength;
    stagesInBlocks(re, im, kPoints, firstHalf, shuffled, shuffledEnd, kPoints / 4);
    return lastTwoStagesMagnitudes(re, im, kPoints, mags, floor, fftTwiddles());
}

}  // namespace
