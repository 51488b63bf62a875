// Compiled with AVX2 enabled and entered only after cpuSupportsAvx2(); everything it uses from
// headers has internal linkage.
#include "analysis/divide_each.h"

#if defined(VOXWELL_SSE2)

#include "analysis/fft/simd/avx2/avx2.h"

// Written in terms of the vector operations above.
#include "analysis/fft/simd/divide_each.h"

void divideEachAvx2(float* values, std::size_t count, float divisor) {
    divideInLanes(values, count, divisor);
}

#endif
