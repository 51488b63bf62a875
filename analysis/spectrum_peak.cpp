#include "analysis/spectrum_peak.h"

#include <cmath>

#include "analysis/fft/simd.h"
#include "state/shared_state.h"

#if defined(VOXWELL_SSE2)
#include <xmmintrin.h>
#endif

// Scanning bins in order and keeping a bin only when it is strictly greater than the best so far
// finds the lowest bin of the largest magnitude. The same bin is found by taking the largest
// magnitude first (several bins at a time) and then its first occurrence; magnitudes of finite
// values are never NaN, so the maximum is well defined.
std::size_t magnitudesAndPeak(const float* re, const float* im, float* mags, float& maxMag) {
    float largest = kPeakFloor;
#if defined(VOXWELL_SSE2)
    static_assert(kSpectrumLength % 4 == 0);
    __m128 largestSoFar = _mm_set1_ps(kPeakFloor);
    for (std::size_t k = 0; k < kSpectrumLength; k += 4) {
        const __m128 x = _mm_loadu_ps(re + k);
        const __m128 y = _mm_loadu_ps(im + k);
        const __m128 m = _mm_sqrt_ps(_mm_add_ps(_mm_mul_ps(x, x), _mm_mul_ps(y, y)));
        _mm_storeu_ps(mags + k, m);
        largestSoFar = _mm_max_ps(largestSoFar, m);
    }
    alignas(16) float lanes[4];
    _mm_store_ps(lanes, largestSoFar);
    for (float lane : lanes) {
        largest = lane > largest ? lane : largest;
    }
#else
    for (std::size_t k = 0; k < kSpectrumLength; ++k) {
        mags[k] = std::sqrt(re[k] * re[k] + im[k] * im[k]);
        largest = mags[k] > largest ? mags[k] : largest;
    }
#endif

    maxMag = largest;
    return peakBin(mags, largest);
}

std::size_t peakBin(const float* mags, float largest) {
    if (largest == kPeakFloor) {
        return 0;
    }
    std::size_t peak = 0;
    while (mags[peak] != largest) {
        ++peak;
    }
    return peak;
}
