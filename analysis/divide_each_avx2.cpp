// Compiled with AVX2 enabled and entered only after cpuSupportsAvx2(); only the intrinsics are used
// from headers.
#include "analysis/divide_each.h"

#if defined(VOXWELL_SSE2)

#include <immintrin.h>

void divideEachAvx2(float* values, std::size_t count, float divisor) {
    const __m256 by = _mm256_set1_ps(divisor);
    std::size_t i = 0;
    for (; i + 8 <= count; i += 8) {
        _mm256_storeu_ps(values + i, _mm256_div_ps(_mm256_loadu_ps(values + i), by));
    }
    for (; i < count; ++i) {
        values[i] = values[i] / divisor;
    }
}

#endif
