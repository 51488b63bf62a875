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

}  // namespace
