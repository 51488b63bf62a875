#pragma once

#include <vector>

// In-place forward DFT (negative exponent, natural order, unscaled) of re + i*im. Both arrays must
// have the same power-of-two length; lengths 0 and 1 are left unchanged.
void fftRadix2(std::vector<float>& re, std::vector<float>& im);
