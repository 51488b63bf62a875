#pragma once

#include <cstddef>

// Swaps every element i of re and im with element reverse(i), where reverse mirrors the
// log2(n) index bits. n is a power of two.
void bitReversePermute(float* re, float* im, std::size_t n);
