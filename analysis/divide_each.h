#pragma once

#include <cstddef>

// values[i] = values[i] / divisor for every i < count, each a correctly rounded single-precision
// division, however many are done at once.
void divideEach(float* values, std::size_t count, float divisor);

#include "analysis/fft/simd.h"

#if defined(VOXWELL_SSE2)
// Sixteen and eight at a time, only for processors that report AVX-512F and AVX2 respectively;
// four at a time on every x86-64 processor.
void divideEachAvx512(float* values, std::size_t count, float divisor);
void divideEachAvx2(float* values, std::size_t count, float divisor);
void divideEachSse2(float* values, std::size_t count, float divisor);
#endif
