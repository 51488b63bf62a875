#pragma once

// The AVX-512F vector and the operations the transform's stages need on it, for files compiled with
// AVX-512F enabled only. Everything here has internal linkage, so that the linker can never pick
// this AVX-512F-encoded code for a caller that runs on an older processor.
#include <immintrin.h>

#include <cstddef>
#include <cstdint>

namespace {

using Vector = __m512;
constexpr std::size_t kLanes = 16;

inline Vector broadcast(float value) {
    return _mm512_set1_ps(value);
}

inline Vector zeros() {
    return _mm512_setzero_ps();
}

inline Vector load(const float* from) {
    return _mm512_loadu_ps(from);
}

// kLanes 16-bit samples as floats. The zero-masking forms with every lane selected: GCC 12 reports
// the pass-through vector of the plain ones as uninitialised.
inline Vector fromSamples(const std::int16_t* from) {
    const __m256i raw = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(from));
    return _mm512_maskz_cvtepi32_ps(0xFFFF, _mm512_maskz_cvtepi16_epi32(0xFFFF, raw));
}

inline void store(float* to, Vector value) {
    _mm512_storeu_ps(to, value);
}

inline Vector add(Vector x, Vector y) {
    return _mm512_add_ps(x, y);
}

inline Vector subtract(Vector x, Vector y) {
    return _mm512_sub_ps(x, y);
}

inline Vector multiply(Vector x, Vector y) {
    return _mm512_mul_ps(x, y);
}

inline Vector divide(Vector x, Vector y) {
    return _mm512_div_ps(x, y);
}

// GCC 12 reports the unspecified pass-through vector inside the plain forms of these two as
// uninitialised; the zero-masking forms with every lane selected are the same operations.
inline Vector squareRoot(Vector value) {
    return _mm512_maskz_sqrt_ps(0xFFFF, value);
}

// Neither argument is ever NaN here.
inline Vector maximum(Vector x, Vector y) {
    return _mm512_maskz_max_ps(0xFFFF, x, y);
}

}  // namespace
