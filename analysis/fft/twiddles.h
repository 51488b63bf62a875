#pragma once

#include <cstddef>

// Largest transform whose stages the twiddle table covers.
constexpr std::size_t kTwiddleTableLength = 65536;

// The twiddle factors of every stage up to kTwiddleTableLength points. The stage with half-length
// h (1, 2, 4, ... kTwiddleTableLength / 2) occupies [2h, 4h) in blocks of min(h, 16) factors:
// the real parts of a block, then their imaginary parts. Sixteen is one AVX-512 vector, so a
// vector butterfly finds its factors in one stream rather than two. Built once, on first use, by
// the same running complex multiplication that a group of that stage performs, so every entry is
// bit for bit the factor the recurrence reaches.
const float* fftTwiddles();

// Factors per block of the stage with half-length `half`.
constexpr std::size_t twiddleBlock(std::size_t half) {
    return half < 16 ? half : 16;
}

// Where the real part of factor j of that stage is; its imaginary part is twiddleBlock(half)
// entries further on. Blocks are powers of two, so masks stand in for division.
constexpr std::size_t twiddleIndex(std::size_t half, std::size_t j) {
    const std::size_t mask = twiddleBlock(half) - 1;
    return 2 * half + 2 * (j & ~mask) + (j & mask);
}

// One stage of half-length `half` over n points, advancing the twiddle factor within each group
// by complex multiplication: for stages the table does not cover.
void runningTwiddleStage(float* re, float* im, std::size_t n, std::size_t half);
