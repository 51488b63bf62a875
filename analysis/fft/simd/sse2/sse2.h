#pragma once

// The SSE2 vector and the operations the transform's stages need on it. Internal linkage, like
// the wider versions of this header.
#include <emmintrin.h>

#include <cstddef>

namespace {

using Vector = __m128;
constexpr std::size_t kLanes = 4;

inline Vector broadcast(float value) {
    return _mm_set1_ps(value);
}

inline Vector zeros() {
    return _mm_setzero_ps();
}

inline Vector load(const float* from) {
    return _mm_loadu_ps(from);
}

inline void store(float* to, Vector value) {
    _mm_storeu_ps(to, value);
}

inline Vector add(Vector x, Vector y) {
    return _mm_add_ps(x, y);
}

inline Vector subtract(Vector x, Vector y) {
    return _mm_sub_ps(x, y);
}

inline Vector multiply(Vector x, Vector y) {
    return _mm_mul_ps(x, y);
}

inline Vector divide(Vector x, Vector y) {
    return _mm_div_ps(x, y);
}

inline Vector squareRoot(Vector value) {
    return _mm_sqrt_ps(value);
}

// Neither argument is ever NaN here.
inline Vector maximum(Vector x, Vector y) {
    return _mm_max_ps(x, y);
}

}  // namespace
