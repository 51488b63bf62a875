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

// The 8 x 8 block of rows[0 .. 7] transposed in place: rows[c] then holds what was lane c of
// every row.
inline void transposeLanes(Vector* rows) {
    const __m256 t0 = _mm256_unpacklo_ps(rows[0], rows[1]);
    const __m256 t1 = _mm256_unpackhi_ps(rows[0], rows[1]);
    const __m256 t2 = _mm256_unpacklo_ps(rows[2], rows[3]);
    const __m256 t3 = _mm256_unpackhi_ps(rows[2], rows[3]);
    const __m256 t4 = _mm256_unpacklo_ps(rows[4], rows[5]);
    const __m256 t5 = _mm256_unpackhi_ps(rows[4], rows[5]);
    const __m256 t6 = _mm256_unpacklo_ps(rows[6], rows[7]);
    const __m256 t7 = _mm256_unpackhi_ps(rows[6], rows[7]);
    const __m256 u0 = _mm256_shuffle_ps(t0, t2, _MM_SHUFFLE(1, 0, 1, 0));
    const __m256 u1 = _mm256_shuffle_ps(t0, t2, _MM_SHUFFLE(3, 2, 3, 2));
    const __m256 u2 = _mm256_shuffle_ps(t1, t3, _MM_SHUFFLE(1, 0, 1, 0));
    const __m256 u3 = _mm256_shuffle_ps(t1, t3, _MM_SHUFFLE(3, 2, 3, 2));
    const __m256 u4 = _mm256_shuffle_ps(t4, t6, _MM_SHUFFLE(1, 0, 1, 0));
    const __m256 u5 = _mm256_shuffle_ps(t4, t6, _MM_SHUFFLE(3, 2, 3, 2));
    const __m256 u6 = _mm256_shuffle_ps(t5, t7, _MM_SHUFFLE(1, 0, 1, 0));
    const __m256 u7 = _mm256_shuffle_ps(t5, t7, _MM_SHUFFLE(3, 2, 3, 2));
    rows[0] = _mm256_permute2f128_ps(u0, u4, 0x20);
    rows[1] = _mm256_permute2f128_ps(u1, u5, 0x20);
    rows[2] = _mm256_permute2f128_ps(u2, u6, 0x20);
    rows[3] = _mm256_permute2f128_ps(u3, u7, 0x20);
    rows[4] = _mm256_permute2f128_ps(u0, u4, 0x31);
    rows[5] = _mm256_permute2f128_ps(u1, u5, 0x31);
    rows[6] = _mm256_permute2f128_ps(u2, u6, 0x31);
    rows[7] = _mm256_permute2f128_ps(u3, u7, 0x31);
}

}  // namespace
