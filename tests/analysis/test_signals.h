// Deterministic inputs shared by the analysis tests.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

// Uniform values in [-1, 1) from a fixed seed.
std::vector<float> randomSignal(std::size_t n, unsigned seed);

// amplitude * cos(2 pi cycles j / n + phase), evaluated in double and rounded once.
std::vector<float> cosineSignal(std::size_t n, std::size_t cycles, double amplitude,
                                double phase = 0.0);

// Blocks of 16-bit samples that between them reach every path of the analysis: full-scale noise;
// sparse samples, whose zeros meet the negative window coefficients at both ends and give
// negative zeros; a sine; a block cut short at 40,000 samples, one of 17 samples and an empty one.
std::vector<std::vector<std::int16_t>> varietyOfBlocks();

// A 16-bit sine of `cycles` whole periods over n samples, rounded to the nearest sample value.
std::vector<std::int16_t> sineSamples(std::size_t n, std::size_t cycles, double amplitude);
