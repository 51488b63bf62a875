#pragma once

#include <cstddef>
#include <vector>

// In-place forward DFT (negative exponent, natural order, unscaled) of re + i*im. Both arrays must
// have the same power-of-two length; lengths 0 and 1 are left unchanged.
void fftRadix2(std::vector<float>& re, std::vector<float>& im);

// fftRadix2 for a caller that writes its input straight into bit-reversed order (element i holds
// the point whose index has its log2(n) bits mirrored), which saves the transform a pass over the
// data: the butterfly stages alone, with the same result bits.
void fftRadix2FromBitReversed(float* re, float* im, std::size_t n);
