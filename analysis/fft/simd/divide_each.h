#pragma once

// divideEach for any vector width: include this after one of the vocabulary headers (sse2.h,
// avx2.h, avx512.h), in a file compiled for that extension. Internal linkage, as the vocabulary
// has.
#include <cstddef>

namespace {

// kLanes correctly rounded divisions at a time, the rest one by one.
inline void divideInLanes(float* values, std::size_t count, float divisor) {
    const Vector by = broadcast(divisor);
    std::size_t i = 0;
    for (; i + kLanes <= count; i += kLanes) {
        store(values + i, divide(load(values + i), by));
    }
    for (; i < count; ++i) {
        values[i] = values[i] / divisor;
    }
}

}  // namespace
