#include "analysis/divide_each.h"

#include "analysis/fft/cpu_features.h"

#if defined(VOXWELL_SSE2)
#include "analysis/fft/simd/sse2/sse2.h"

// Written in terms of the vector operations above.
#include "analysis/fft/simd/divide_each.h"

void divideEachSse2(float* values, std::size_t count, float divisor) {
    divideInLanes(values, count, divisor);
}
#endif

void divideEach(float* values, std::size_t count, float divisor) {
#if defined(VOXWELL_SSE2)
    // Division is slow at any width; the widest this processor has saves most.
    if (cpuSupportsAvx512()) {
        divideEachAvx512(values, count, divisor);
    } else if (cpuSupportsAvx2()) {
        divideEachAvx2(values, count, divisor);
    } else {
        divideEachSse2(values, count, divisor);
    }
#else
    for (std::size_t i = 0; i < count; ++i) {
        values[i] = values[i] / divisor;
    }
#endif
}
