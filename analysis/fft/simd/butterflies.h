#pragma once

// The butterflies of the transform for any vector width: include this after one of the
// vocabulary headers (sse2.h, avx2.h, avx512.h), in a file compiled for that extension. Internal
// linkage, as the vocabulary has.

namespace {

// One radix-2 butterfly per lane: t = b * w, then b = a - t and a = a + t, multiplying,
// subtracting and adding exactly as the scalar butterfly does, nothing fused.
inline void butterfly(Vector& aRe, Vector& aIm, Vector& bRe, Vector& bIm, Vector wRe, Vector wIm) {
    const Vector tRe = subtract(multiply(bRe, wRe), multiply(bIm, wIm));
    const Vector tIm = add(multiply(bIm, wRe), multiply(bRe, wIm));
    bRe = subtract(aRe, tRe);
    bIm = subtract(aIm, tIm);
    aRe = add(aRe, tRe);
    aIm = add(aIm, tIm);
}

// The butterfly with the factor (1, +0) on two points whose imaginary parts are +0: for finite
// values it gives a + b and a - b, and leaves both imaginary parts +0, to the bit.
inline void realButterfly(Vector& a, Vector& b) {
    const Vector sum = add(a, b);
    b = subtract(a, b);
    a = sum;
}

}  // namespace
