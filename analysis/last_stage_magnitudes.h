#pragma once

#include <cstddef>

#include "analysis/simd.h"

#if defined(VOXWELL_SSE2)
// For an n-point transform (32 <= n <= kTwiddleTableLength) that has been through every stage but
// the last: the last stage for bins 0 .. n/2 - 1 only, and their magnitudes into mags, the bits
// the complete transform followed by magnitudesAndPeak gives. Returns the largest magnitude, or
// `floor` where none is larger. Only for processors that report AVX2.
float lastStageMagnitudesAvx2(const float* re, const float* im, std::size_t n, float* mags,
                              float floor);
#endif
