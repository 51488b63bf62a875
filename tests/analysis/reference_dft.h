#pragma once

#include <vector>

// Double-precision forward DFT (negative exponent, unscaled) with every twiddle factor computed
// directly from its angle, so that its error is far below single precision. Power-of-two sizes.
void referenceDft(std::vector<double>& re, std::vector<double>& im);
