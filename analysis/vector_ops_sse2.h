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

inline Vector multiply(Vector x, Vector y) {
    return _mm_mul_ps(x, y);
}

inline Vector squareRoot(Vector value) {
    return _mm_sqrt_ps(value);
}

// Neither argument is ever NaN here.
inline Vector maximum(Vector x, Vector y) {
    return _mm_max_ps(x, y);
}

// One radix-2 butterfly per lane: t = b * w, then b = a - t and a = a + t, multiplying,
// subtracting and adding exactly as the scalar butterfly does, nothing fused.
inline void butterfly(Vector& aRe, Vector& aIm, Vector& bRe, Vector& bIm, Vector wRe, Vector wIm) {
    const Vector tRe = _mm_sub_ps(_mm_mul_ps(bRe, wRe), _mm_mul_ps(bIm, wIm));
    const Vector tIm = _mm_add_ps(_mm_mul_ps(bIm, wRe), _mm_mul_ps(bRe, wIm));
    bRe = _mm_sub_ps(aRe, tRe);
    bIm = _mm_sub_ps(aIm, tIm);
    aRe = _mm_add_ps(aRe, tRe);
    aIm = _mm_add_ps(aIm, tIm);
}

// The butterfly with the factor (1, +0) on two points whose imaginary parts are +0: for finite
// values it gives a + b and a - b, and leaves both imaginary parts +0, to the bit.
inline void realButterfly(Vector& a, Vector& b) {
    const Vector sum = _mm_add_ps(a, b);
    b = _mm_sub_ps(a, b);
    a = sum;
}

}  // namespace
