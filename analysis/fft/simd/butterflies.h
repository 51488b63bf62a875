#pragma once

// The butterflies of the transform for any vector width: include this after one of the
// vocabulary headers (sse2.h, avx2.h, avx512.h), in a file compiled for that extension. Internal
// linkage, as the vocabulary has.
#include <cstddef>

namespace {

// The table of fftTwiddles() keeps a stage's factors in blocks of this many real parts, each
// followed by as many imaginary parts. Written out here rather than taken from twiddles.h, as an
// out-of-line copy of those built for a wider extension could be chosen by the linker for every
// caller.
inline std::size_t factorBlock(std::size_t half) {
    return half < 16 ? half : 16;
}

// Where the real part of factor j of stage `half` is in that table.
inline const float* factorAt(const float* twiddles, std::size_t half, std::size_t j) {
    const std::size_t block = factorBlock(half);
    return twiddles + 2 * half + 2 * (j & ~(block - 1)) + (j & (block - 1));
}

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
