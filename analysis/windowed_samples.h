#pragma once

#include <cstddef>
#include <cstdint>

// Windows the first `used` samples (used <= kBlockLength) with g_fftWork and writes them straight
// into bit-reversed order, ready for fftRadix2FromBitReversed: out[reverse(i)] =
// (float(samples[i]) / 32768) * g_fftWork[i] for i < used, and +0 for used <= i < kBlockLength.
void loadWindowedBitReversed(const std::int16_t* samples, std::size_t used, float* out);
