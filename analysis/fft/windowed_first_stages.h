#pragma once

#include <cstddef>
#include <cstdint>

#include "analysis/fft/simd.h"
#include "state/samples.h"

// Floats in each of the analysis's two work arrays: a little more than a block, as the AVX2
// route leaves a cache line between blocks of its layout.
constexpr std::size_t kWorkArrayLength = kBlockLength + kBlockLength / 128;

#if defined(VOXWELL_SSE2)
// The 65,536-point block windowed as loadWindowedBitReversed writes it (and +0 imaginary parts),
// taken through the stages of half-lengths 1 to 64 in one pass: re and im then hold, to the bit,
// what the bit-reversed load followed by those stages holds. Samples from `used` on count as
// zero. Returns the half-length of the first stage still to run. Only for processors that
// report AVX-512F.
std::size_t loadWindowedFirstStagesAvx512(const std::int16_t* samples, std::size_t used,
                                          const float* window, float* re, float* im);

// The same block windowed and transformed, with the magnitudes of bins 0 .. kSpectrumLength - 1
// into mags: the bits the complete transform followed by magnitudesAndPeak gives. Returns the
// largest magnitude, or `floor` where none is larger. re and im are work space of
// kWorkArrayLength floats each, left in a layout of the route's own. Only for processors that
// report AVX2.
float laneTransformMagnitudesAvx2(const std::int16_t* samples, std::size_t used,
                                  const float* window, float* re, float* im, float* mags,
                                  float floor);
#endif
