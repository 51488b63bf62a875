#pragma once

#include <cstddef>

// Magnitudes below this never count as a peak, and a spectrum with none above it is divided by it.
constexpr float kPeakFloor = 1e-8f;

// mags[k] = sqrt(re[k]^2 + im[k]^2) for k < kSpectrumLength. Returns the peak bin: the lowest
// bin holding the largest magnitude if that exceeds kPeakFloor, else 0. maxMag receives that
// magnitude, or kPeakFloor.
std::size_t magnitudesAndPeak(const float* re, const float* im, float* mags, float& maxMag);

// The peak bin of kSpectrumLength magnitudes whose largest is `largest` (at least kPeakFloor):
// the lowest bin holding it, or 0 if it is kPeakFloor.
std::size_t peakBin(const float* mags, float largest);
