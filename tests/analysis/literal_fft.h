#pragma once

#include <vector>

// The transform written step by step, one butterfly at a time, with the twiddle factor advanced
// by a complex multiplication inside every group. The optimised fftRadix2 must reproduce its
// output bit for bit.
void literalFftRadix2(std::vector<float>& re, std::vector<float>& im);
