#pragma once

// The analysis of one block of real input with every lane of a vector running a transform of its
// own, for any vector width: include this after one of the vocabulary headers that has
// transposeLanes (avx2.h so far), in a file compiled for that extension. Internal linkage, as
// those have.
//
// After the bit-reversed load, the first 16 - b stages of a 65,536-point transform (kLanes = 2^b)
// are kLanes independent transforms of kColumn points, one on each run of kColumn positions.
// Vector v holds point v of every run, lane l the run whose positions begin at
// reverse_b(l) * kColumn; its samples are then the kLanes consecutive ones from
// kLanes * reverse(v) on. So the load needs no shuffles, and every butterfly of those stages acts
// on whole vectors with one factor for all lanes. Only the last b stages mix the lanes: they run
// on kLanes x kLanes tiles transposed in registers, fused with the magnitudes.
//
// Vector v lives at offsetOf(v): blocks of kBlockVectors vectors, each followed by one cache line
// of spacing, so that the points a stage across the blocks combines, a power of two apart, do
// not all fall in one set of the L1 cache.
#include <cstddef>
#include <cstdint>
#include <type_traits>
#include <utility>

#include "analysis/fft/simd/butterflies.h"
#include "analysis/fft/simd/first_four_stages_on_rows.h"
#include "analysis/fft/simd/stages.h"
#include "analysis/fft/twiddles.h"

namespace {

constexpr std::size_t kLanePoints = kTwiddleTableLength;
constexpr std::size_t kLaneBits = kLanes == 4 ? 2 : kLanes == 8 ? 3 : 4;
static_assert(std::size_t{1} << kLaneBits == kLanes, "4, 8 or 16 lanes");
constexpr std::size_t kColumn = kLanePoints / kLanes;
constexpr std::size_t kColumnBits = 16 - kLaneBits;
constexpr std::size_t kBlockBits = 8;
constexpr std::size_t kBlockVectors = std::size_t{1} << kBlockBits;
constexpr std::size_t kBlocks = kColumn / kBlockVectors;
constexpr std::size_t kBlockSpacing = 64 / sizeof(float);
// Blocks whose rows are read together in the first pass: their samples are neighbours, so each
// cache line of samples and window is used whole once it is fetched.
constexpr std::size_t kBlocksTogether = 8;
static_assert(kBlocks % kBlocksTogether == 0, "whole groups of blocks");

constexpr std::size_t offsetOf(std::size_t v) {
    return v * kLanes + v / kBlockVectors * kBlockSpacing;
}

constexpr std::size_t reverseBits(std::size_t value, std::size_t bits) {
    std::size_t reversed = 0;
    for (std::size_t b = 0; b < bits; ++b) {
        reversed = (reversed << 1) | ((value >> b) & 1);
    }
    return reversed;
}

struct ReversedInBlock {
    std::uint16_t of[kBlockVectors];
};

constexpr ReversedInBlock reversedInBlock() {
    ReversedInBlock table{};
    for (std::size_t t = 0; t < kBlockVectors; ++t) {
        table.of[t] = static_cast<std::uint16_t>(reverseBits(t, kBlockBits));
    }
    return table;
}

constexpr ReversedInBlock kReversedInBlock = reversedInBlock();

// The stages of vector distances h and 2h over vectors 0 .. count - 1 from re and im on.
inline void laneTwoStages(float* re, float* im, std::size_t count, std::size_t h,
                          const float* twiddles) {
    for (std::size_t g = 0; g < count; g += 4 * h) {
        for (std::size_t j = 0; j < h; ++j) {
            const std::size_t at = offsetOf(g + j);
            // Every lane is a transform of its own, at the same point: one factor for all.
            radix4(re + at, im + at, offsetOf(h), [=](std::size_t i, Vector& wRe, Vector& wIm) {
                broadcastFactor(twiddles, i == 0 ? h : 2 * h, i == 2 ? j + h : j, wRe, wIm);
            });
        }
    }
}

// The three stages of vector distances h, 2h and 4h on the eight points p + k stride.
inline void laneRadix8(float* pRe, float* pIm, std::size_t stride, std::size_t h, std::size_t j,
                       const float* twiddles) {
    Vector xRe[8];
    Vector xIm[8];
    for (std::size_t k = 0; k < 8; ++k) {
        xRe[k] = load(pRe + k * stride);
        xIm[k] = load(pIm + k * stride);
    }
    Vector wRe;
    Vector wIm;
    broadcastFactor(twiddles, h, j, wRe, wIm);
    for (std::size_t k = 0; k < 8; k += 2) {
        butterfly(xRe[k], xIm[k], xRe[k + 1], xIm[k + 1], wRe, wIm);
    }
    for (std::size_t m = 0; m < 2; ++m) {
        broadcastFactor(twiddles, 2 * h, j + m * h, wRe, wIm);
        butterfly(xRe[m], xIm[m], xRe[m + 2], xIm[m + 2], wRe, wIm);
        butterfly(xRe[m + 4], xIm[m + 4], xRe[m + 6], xIm[m + 6], wRe, wIm);
    }
    for (std::size_t m = 0; m < 4; ++m) {
        broadcastFactor(twiddles, 4 * h, j + m * h, wRe, wIm);
        butterfly(xRe[m], xIm[m], xRe[m + 4], xIm[m + 4], wRe, wIm);
        store(pRe + m * stride, xRe[m]);
        store(pIm + m * stride, xIm[m]);
        store(pRe + (m + 4) * stride, xRe[m + 4]);
        store(pIm + (m + 4) * stride, xIm[m + 4]);
    }
}

// The stages of vector distances h, 2h and 4h over every vector.
inline void laneThreeStages(float* re, float* im, std::size_t h, const float* twiddles) {
    for (std::size_t g = 0; g < kColumn; g += 8 * h) {
        for (std::size_t j = 0; j < h; ++j) {
            const std::size_t at = offsetOf(g + j);
            laneRadix8(re + at, im + at, offsetOf(h), h, j, twiddles);
        }
    }
}

// The stages across the blocks, from vector distance kBlockVectors up to kColumn / 2. Each pass
// over the arrays takes two stages, or three where three are left: with the blocks spaced out,
// a pass of three costs less than the extra pass it saves.
inline void stagesAcrossBlocks(float* re, float* im, const float* twiddles) {
    std::size_t h = kBlockVectors;
    while (h < kColumn) {
        if (8 * h == kColumn) {
            laneThreeStages(re, im, h, twiddles);
            h *= 8;
        } else {
            laneTwoStages(re, im, kColumn, h, twiddles);
            h *= 4;
        }
    }
}

// For each of kRuns blocks whose samples are neighbours: the 16 points of run q (vectors 16 q .. 16
// q + 15), from samples kLanes * (reverse(16 q + r) * kBlocks + firstBlock + k) on for row r of
// block k, windowed and through the first four stages, into the block at out[k].
template <std::size_t kRuns>
void loadRunThroughFourStages(const std::int16_t* samples, std::size_t used, const float* window,
                              std::size_t q, std::size_t firstBlock, float* const* outRe,
                              float* const* outIm, const float* twiddles) {
    std::size_t first[16];
    for (std::size_t r = 0; r < 16; ++r) {
        first[r] = kLanes * (kReversedInBlock.of[16 * q + r] * kBlocks + firstBlock);
    }
    // Rows of a run are 4,096 samples apart, all in one set of the L1 cache: each row is read
    // for every block before the next row is, while its cache lines are there.
    alignas(64) float stagedRe[kRuns][16][kLanes];
    alignas(64) float stagedIm[kRuns][16][kLanes];
    for (std::size_t r = 0; r < 16; r += 4) {
        for (std::size_t k = 0; k < kRuns; ++k) {
            Vector row[4];
            for (std::size_t i = 0; i < 4; ++i) {
                row[i] = windowedSamples(samples, used, window, first[r + i] + k * kLanes);
            }
            Vector im1;
            Vector im3;
            firstTwoStagesOnRows(row[0], row[1], row[2], row[3], im1, im3, twiddles);
            for (std::size_t i = 0; i < 4; ++i) {
                store(stagedRe[k][r + i], row[i]);
            }
            store(stagedIm[k][r + 1], im1);
            store(stagedIm[k][r + 3], im3);
        }
    }
    const std::size_t at = offsetOf(16 * q);
    for (std::size_t k = 0; k < kRuns; ++k) {
        float* re = outRe[k] + at;
        float* im = outIm[k] + at;
        Vector re0 = load(stagedRe[k][0]);
        Vector re4 = load(stagedRe[k][4]);
        Vector re8 = load(stagedRe[k][8]);
        Vector re12 = load(stagedRe[k][12]);
        Vector im4;
        Vector im12;
        lastTwoStagesOnRealRows(re0, re4, im4, re8, re12, im12, twiddles);
        store(re, re0);
        store(im, zeros());
        store(re + 4 * kLanes, re4);
        store(im + 4 * kLanes, im4);
        store(re + 8 * kLanes, re8);
        store(im + 8 * kLanes, zeros());
        store(re + 12 * kLanes, re12);
        store(im + 12 * kLanes, im12);
        for (std::size_t j = 1; j < 4; ++j) {
            // Rows 2, 6, 10 and 14 are still real.
            const bool real = j == 2;
            Vector xRe[4];
            Vector xIm[4];
            for (std::size_t i = 0; i < 4; ++i) {
                xRe[i] = load(stagedRe[k][j + 4 * i]);
                xIm[i] = real ? zeros() : load(stagedIm[k][j + 4 * i]);
            }
            lastTwoStagesOnRows(j, xRe[0], xIm[0], xRe[1], xIm[1], xRe[2], xIm[2], xRe[3], xIm[3],
                                twiddles);
            for (std::size_t i = 0; i < 4; ++i) {
                store(re + (j + 4 * i) * kLanes, xRe[i]);
                store(im + (j + 4 * i) * kLanes, xIm[i]);
            }
        }
    }
}

// Blocks reverse(firstBlock) .. reverse(firstBlock + kBlocksTogether - 1) (reversing the bits of
// a block number) loaded from the samples and taken through every stage within a block.
inline void loadBlocksThroughTheirStages(const std::int16_t* samples, std::size_t used,
                                         const float* window, float* re, float* im,
                                         std::size_t firstBlock, const float* twiddles) {
    float* blockRe[kBlocksTogether];
    float* blockIm[kBlocksTogether];
    for (std::size_t k = 0; k < kBlocksTogether; ++k) {
        const std::size_t at =
            offsetOf(reverseBits(firstBlock + k, kColumnBits - kBlockBits) * kBlockVectors);
        blockRe[k] = re + at;
        blockIm[k] = im + at;
    }
    for (std::size_t q = 0; q < kBlockVectors / 16; ++q) {
        loadRunThroughFourStages<kBlocksTogether>(samples, used, window, q, firstBlock, blockRe,
                                                  blockIm, twiddles);
        // Every fourth run completes 64 vectors for the next two stages, still in the L1 cache.
        if (q % 4 == 3) {
            for (std::size_t k = 0; k < kBlocksTogether; ++k) {
                const std::size_t at = offsetOf(16 * (q - 3));
                laneTwoStages(blockRe[k] + at, blockIm[k] + at, 64, 16, twiddles);
            }
        }
    }
    for (std::size_t k = 0; k < kBlocksTogether; ++k) {
        for (std::size_t h = 64; h < kBlockVectors; h *= 4) {
            laneTwoStages(blockRe[k], blockIm[k], kBlockVectors, h, twiddles);
        }
    }
}

// Calls f(std::integral_constant<std::size_t, K>) for K in the sequence, so that loops over
// lanes and stages unroll with constant indices and the tile stays in registers.
template <std::size_t... K, typename F>
inline void forEachConstant(std::index_sequence<K...>, F f) {
    (f(std::integral_constant<std::size_t, K>{}), ...);
}

// The last kLaneBits stages, which mix the lanes, on vectors v0 .. v0 + kLanes - 1, and the
// magnitudes of their bins below kLanePoints / 2 into mags; largest keeps the largest of them.
// Transposed, row k holds positions reverse_b(k) * kColumn + v0 onwards: the stage on position bit
// kColumnBits + s pairs rows k and k + kLanes / 2^(s + 1).
inline void lastStagesAndMagnitudes(const float* re, const float* im, std::size_t v0, float* mags,
                                    Vector& largest, const float* twiddles) {
    Vector xRe[kLanes];
    Vector xIm[kLanes];
    for (std::size_t k = 0; k < kLanes; ++k) {
        xRe[k] = load(re + offsetOf(v0 + k));
        xIm[k] = load(im + offsetOf(v0 + k));
    }
    transposeLanes(xRe);
    transposeLanes(xIm);
    // Factor j of the stage on bit kColumnBits + s for row k, whose position is that far into
    // its group, and the bin of row k's sums in the last stage.
    constexpr auto firstFactor = [](std::size_t s, std::size_t k) {
        return (reverseBits(k, kLaneBits) & ((std::size_t{1} << s) - 1)) * kColumn;
    };
    forEachConstant(std::make_index_sequence<kLaneBits - 1>{}, [&](auto stageNumber) {
        constexpr std::size_t s = decltype(stageNumber)::value;
        constexpr std::size_t half = kColumn << s;
        constexpr std::size_t distance = kLanes >> (s + 1);
        forEachConstant(std::make_index_sequence<kLanes>{}, [&](auto row) {
            constexpr std::size_t k = decltype(row)::value;
            if constexpr ((k & distance) == 0) {
                Vector wRe;
                Vector wIm;
                loadFactors(twiddles, half, firstFactor(s, k) + v0, wRe, wIm);
                butterfly(xRe[k], xIm[k], xRe[k + distance], xIm[k + distance], wRe, wIm);
            }
        });
    });
    // The last stage pairs rows 2m and 2m + 1; only its sums are bins below kLanePoints / 2.
    constexpr std::size_t last = kLaneBits - 1;
    forEachConstant(std::make_index_sequence<kLanes / 2>{}, [&](auto pair) {
        constexpr std::size_t k = 2 * decltype(pair)::value;
        const std::size_t bin = firstFactor(last, k) + v0;
        const Vector magnitude = sumMagnitude(xRe[k], xIm[k], xRe[k + 1], xIm[k + 1],
                                              factorAt(twiddles, kColumn << last, bin));
        store(mags + bin, magnitude);
        largest = maximum(largest, magnitude);
    });
}

// The whole route: the first `used` samples windowed with `window`, transformed, and the
// magnitudes of bins 0 .. kLanePoints / 2 - 1 into mags. re and im are work space of
// offsetOf(kColumn) floats each. Returns the largest magnitude, or `floor` where none is larger.
inline float laneTransformMagnitudes(const std::int16_t* samples, std::size_t used,
                                     const float* window, float* re, float* im, float* mags,
                                     float floor) {
    const float* twiddles = fftTwiddles();
    for (std::size_t firstBlock = 0; firstBlock < kBlocks; firstBlock += kBlocksTogether) {
        loadBlocksThroughTheirStages(samples, used, window, re, im, firstBlock, twiddles);
    }
    stagesAcrossBlocks(re, im, twiddles);
    Vector largest = broadcast(floor);
    for (std::size_t v0 = 0; v0 < kColumn; v0 += kLanes) {
        lastStagesAndMagnitudes(re, im, v0, mags, largest, twiddles);
    }
    return largestLane(largest, floor);
}

}  // namespace
