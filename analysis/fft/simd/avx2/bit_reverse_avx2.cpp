// Compiled with AVX2 enabled and entered only after cpuSupportsAvx2(). As in the AVX2 stages,
// everything here has internal linkage, as do the vector operations it uses from headers.
#include "analysis/fft/bit_reverse.h"

#if defined(VOXWELL_SSE2)

#include <immintrin.h>

#include "analysis/fft/simd/avx2/avx2.h"

namespace {

constexpr std::size_t kTile = 16;

// The tile of 16 rows `rowStride` apart, 16 consecutive elements each, from `from` into `to`
// with element (row r, column c) moved to (row reverse(c), column reverse(r)): with the rows read
// in mirrored order, that is a transpose whose rows are written in mirrored order. Four 8 x 8
// transposes in registers do it.
void mirrorTile(const float* from, std::size_t fromStride, float* to, std::size_t toStride) {
    for (std::size_t toColumns = 0; toColumns < kTile; toColumns += kLanes) {
        for (std::size_t fromColumns = 0; fromColumns < kTile; fromColumns += kLanes) {
            Vector block[kLanes];
            for (std::size_t i = 0; i < kLanes; ++i) {
                block[i] = load(from + kReversedFour[toColumns + i] * fromStride + fromColumns);
            }
            transposeLanes(block);
            for (std::size_t k = 0; k < kLanes; ++k) {
                store(to + kReversedFour[fromColumns + k] * toStride + toColumns, block[k]);
            }
        }
    }
}

// The 16 rows of a tile between the array, rows `stride` apart, and a buffer of 256 consecutive
// elements. Each row is one cache line, written whole: rows of a tile fall in one set of the L1
// cache, and lines written half at a time were evicted between the halves.
void copyRows(const float* from, std::size_t fromStride, float* to, std::size_t toStride) {
    for (std::size_t r = 0; r < kTile; ++r) {
        for (std::size_t c = 0; c < kTile; c += kLanes) {
            store(to + r * toStride + c, load(from + r * fromStride + c));
        }
    }
}

}  // namespace

void bitReversePermuteAvx2(float* re, float* im, std::size_t n) {
    if (n < kTile * kTile) {
        bitReversePermute(re, im, n);
        return;
    }
    permuteByTiles(re, im, n, [](float* tile, float* partner, std::size_t rowStride) {
        alignas(32) float saved[kTile * kTile];
        alignas(32) float mirrored[kTile * kTile];
        copyRows(tile, rowStride, saved, kTile);
        if (partner != tile) {
            mirrorTile(partner, rowStride, mirrored, kTile);
            copyRows(mirrored, kTile, tile, rowStride);
        }
        mirrorTile(saved, kTile, mirrored, kTile);
        copyRows(mirrored, kTile, partner, rowStride);
    });
}

#endif
