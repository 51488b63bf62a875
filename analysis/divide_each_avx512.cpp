// Compiled with AVX-512F enabled and entered only after cpuSupportsAvx512(); only the intrinsics
// are used from headers.
#include "analysis/divide_each.h"

#if defined(VOXWELL_SSE2)

#include <immintrin.h>

void divideEachAvx512(float* values, std::size_t count, float divisor) {
    const __m512 by = _mm512_set1_ps(divisor);
    std::size_t i = 0;
    for (; i + 16 <= count; i += 16) {
        _mm512_storeu_ps(values + i, _mm512_div_ps(_mm512_loadu_ps(values + i), by));
    }
    for (; i < count; ++i) {
        values[i] = values[i] / divisor;
    }
}

#endif
