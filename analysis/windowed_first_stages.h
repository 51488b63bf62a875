#pragma once

#include <cstddef>
#include <cstdint>

#include "analysis/simd.h"

#if defined(VOXWELL_SSE2)
// The 65,536-point block windowed as loadWindowedBitReversed writes it (and +0 imaginary parts),
// taken through the butterfly stages of half-lengths 1, 2, 4 and 8, in one pass: re and im hold
// what the bit-reversed load followed by those four stages holds, to the bit. Samples from `used`
// on count as zero. Only for processors that report AVX2.
void loadWindowedFirstFourStagesAvx2(const std::int16_t* samples, std::size_t used,
                                     const float* window, float* re, float* im);
#endif
