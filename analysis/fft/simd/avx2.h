#pragma once

// The AVX2 vector and the operations the transform's stages need on it, for files compiled with
// AVX2 enabled only. Everything here has internal linkage, so that the linker can never pick
// this AVX2-encoded code for a caller that runs on an older processor.
#include <immintrin.h>

#include <cstddef>
#include <cstdint>

namespace {

using Vector = __m256;
constexpr std::size_t kLanes = 8;

inline Vector broadcast(float value) {
    return _mm256_set1_ps(value);
}

inline Vector zeros() {
    return _mm256_setzero_ps();
}

inline Vector load(const float* from) {
    return _mm256_loadu_ps(from);
}

// kLanes 16-bit samples as floats.
inline Vector fromSamples(const std::int16_t* from) {
    const __m128i raw = _mm_loadu_si128(reinterpret_cast<const __m128i*>(from));
    return _mm256_cvtepi32_ps(_mm256_cvtepi16_epi32(raw));
}

inline void store(float* to, Vector value) {
    _mm256_storeu_ps(to, value);
}

inline Vector add(Vector x, Vector y) {
    return _mm256_add_ps(x, y);
}

inline Vector subtract(Vector x, Vector y) {
    return _mm256_sub_ps(x, y);
}

inline Vector multiply(Vector x, Vector y) {
    return _mm256_mul_ps(x, y);
}

inline Vector divide(Vector x, Vector y) {
    return _mm256_div_ps(x, y);
}

inline Vector squareRoot(Vector value) {
    return _mm256_sqrt_ps(value);
}

// Neither argument is ever NaN here.
inline Vector maximum(Vector x, Vector y) {
    return _mm256_max_ps(x, y);
}

}  // namespace
