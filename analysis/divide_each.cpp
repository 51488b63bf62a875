#include "analysis/divide_each.h"

#include "analysis/cpu_features.h"

void divideEach(float* values, std::size_t count, float divisor) {
#if defined(VOXWELL_SSE2)
    // Division is slow at any width; the widest this processor has saves most.
    if (cpuSupportsAvx512()) {
        divideEachAvx512(values, count, divisor);
        return;
    }
    if (cpuSupportsAvx2()) {
        divideEachAvx2(values, count, divisor);
        return;
    }
#endif
    for (std::size_t i = 0; i < count; ++i) {
        values[i] = values[i] / divisor;
    }
}
