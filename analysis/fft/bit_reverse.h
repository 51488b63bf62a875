#pragma once

#include <array>
#include <cstddef>

#include "analysis/fft/simd.h"

// Swaps every element i of re and im with element reverse(i), where reverse mirrors the
// log2(n) index bits. n is a power of two.
void bitReversePermute(float* re, float* im, std::size_t n);

#if defined(VOXWELL_SSE2)
// The same permutation, 8 x 8 blocks at a time in AVX2 registers; only for processors that
// report AVX2.
void bitReversePermuteAvx2(float* re, float* im, std::size_t n);
#endif

// Internal linkage, so that files compiled for wider extensions can use them too.
namespace {

// The lowest `bits` bits of value in reverse order.
constexpr std::size_t reverseBits(std::size_t value, std::size_t bits) {
    std::size_t reversed = 0;
    for (std::size_t bit = 0; bit < bits; ++bit) {
        reversed = (reversed << 1) | ((value >> bit) & 1);
    }
    return reversed;
}

// 0 .. 15 with their four bits reversed: the order of the rows and columns of a 16 x 16 tile.
constexpr std::array<std::size_t, 16> kReversedFour = [] {
    std::array<std::size_t, 16> table{};
    for (std::size_t i = 0; i < table.size(); ++i) {
        table[i] = reverseBits(i, 4);
    }
    return table;
}();

// value (below 256) with its eight bits reversed, from the table.
constexpr std::size_t reverseEightBits(std::size_t value) {
    return (kReversedFour[value & 15] << 4) | kReversedFour[value >> 4];
}

// The permutation on n points (a power of two, at least 256) by tiles of 16 x 16. An index
// splits into high, middle and low bits, i = (h, m, l) with h and l of four bits each; its mirror
// is (reverse(l), reverse(m), reverse(h)). All indices sharing the middle bits m form one tile,
// 16 rows n/16 apart of 16 consecutive elements, which maps onto the tile of reverse(m)
// transposed with its rows and columns mirrored. For re and im and each such pair of tiles,
// swapTiles(tile, partner, rowStride) moves element (r, c) of each to (reverse(c), reverse(r))
// of the other; tile and partner are the same where m is its own mirror. Moving whole tiles
// keeps every access within a few cache lines, where a plain swap list would jump across the
// array one element at a time.
template <typename SwapTiles>
void permuteByTiles(float* re, float* im, std::size_t n, SwapTiles swapTiles) {
    unsigned middleBits = 0;
    while ((std::size_t{256} << middleBits) < n) {
        ++middleBits;
    }
    const std::size_t rowStride = n / 16;
    for (std::size_t middle = 0; middle < (std::size_t{1} << middleBits); ++middle) {
        const std::size_t mirror = reverseBits(middle, middleBits);
        if (mirror < middle) {
            continue;
        }
        for (float* x : {re, im}) {
            swapTiles(x + 16 * middle, x + 16 * mirror, rowStride);
        }
    }
}

}  // namespace
