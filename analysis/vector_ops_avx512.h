#pragma once

// The AVX-512F vector and the operations the transform's stages need on it, for files compiled with
// AVX-512F enabled only. Everything here has internal linkage, so that the linker can never pick
// this AVX-512F-encoded code for a caller that runs on an older processor.
#include <immintrin.h>

#include <cstddef>

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

inline void store(float* to, Vector value) {
    _mm512_storeu_ps(to, value);
}

inline Vector add(Vector x, Vector y) {
    return _mm512_add_ps(x, y);
}

inline Vector multiply(Vector x, Vector y) {
    return _mm512_mul_ps(x, y);
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

// One radix-2 butterfly per lane: t = b * w, then b = a - t and a = a + t, multiplying,
// subtracting and adding exactly as the scalar butterfly does, nothing fused.
inline void butterfly(Vector& aRe, Vector& aIm, Vector& bRe, Vector& bIm, Vector wRe, Vector wIm) {
    const Vector tRe = _mm512_sub_ps(_mm512_mul_ps(bRe, wRe), _mm512_mul_ps(bIm, wIm));
    const Vector tIm = _mm512_add_ps(_mm512_mul_ps(bIm, wRe), _mm512_mul_ps(bRe, wIm));
    bRe = _mm512_sub_ps(aRe, tRe);
    bIm = _mm512_sub_ps(aIm, tIm);
    aRe = _mm512_add_ps(aRe, tRe);
    aIm = _mm512_add_ps(aIm, tIm);
}

// The butterfly with the factor (1, +0) on two points whose imaginary parts are +0: for finite
// values it gives a + b and a - b, and leaves both imaginary parts +0, to the bit.
inline void realButterfly(Vector& a, Vector& b) {
    const Vector sum = _mm512_add_ps(a, b);
    b = _mm512_sub_ps(a, b);
    a = sum;
}

}  // namespace
