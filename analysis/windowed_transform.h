#pragma once

#include <cstddef>
#include <cstdint>

// The transform of the first `used` samples (used <= kBlockLength) scaled to [-1, 1) and windowed
// with g_fftWork, zero-padded to kBlockLength points: into re and im (kBlockLength floats each),
// the bits fftRadix2 gives for that real block, by the fastest route this processor has. The
// vector routes run fastest with both arrays aligned to a cache line.
void transformWindowedBlock(const std::int16_t* samples, std::size_t used, float* re, float* im);

// What transformWindowedBlock followed by magnitudesAndPeak gives, to the bit: the magnitudes of
// bins 0 .. kSpectrumLength - 1 into mags, the peak bin returned, its magnitude (or kPeakFloor)
// in maxMag. re and im are work space of kWorkArrayLength floats each (windowed_first_stages.h),
// best aligned as above; what they hold afterwards is unspecified.
std::size_t windowedMagnitudesAndPeak(const std::int16_t* samples, std::size_t used, float* re,
                                      float* im, float* mags, float& maxMag);
