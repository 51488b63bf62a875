#pragma once

#include <cstddef>
#include <cstdint>

#include "analysis/fft/simd.h"

#if defined(VOXWELL_SSE2)
// The 65,536-point block windowed as loadWindowedBitReversed writes it (and +0 imaginary parts),
// taken through the first butterfly stages in one pass: re and im then hold, to the bit, what
// the bit-reversed load followed by those stages holds. Samples from `used` on count as zero.
// Returns the half-length of the first stage still to run.

// Through the stages of half-lengths 1 to 8; only for processors that report AVX2.
std::size_t loadWindowedFirstStagesAvx2(const std::int16_t* samples, std::size_t used,
                                        const float* window, float* re, float* im);
// Through the stages of half-lengths 1 to 64; only for processors that report AVX-512F.
std::size_t loadWindowedFirstStagesAvx512(const std::int16_t* samples, std::size_t used,
                                          const float* window, float* re, float* im);
#endif
