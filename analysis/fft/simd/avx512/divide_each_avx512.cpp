// Compiled with AVX-512F enabled and entered only after cpuSupportsAvx512(); everything it uses
// from headers has internal linkage.
#include "analysis/divide_each.h"

#if defined(VOXWELL_SSE2)

#include "analysis/fft/simd/avx512/avx512.h"

// Written in terms of the vector operations above.
#include "analysis/fft/simd/divide_each.h"

void divideEachAvx512(float* values, std::size_t count, float divisor) {
    divideInLanes(values, count, divisor);
}

#endif
