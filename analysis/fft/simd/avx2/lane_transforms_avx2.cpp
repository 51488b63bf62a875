// Compiled with AVX2 enabled and entered only after cpuSupportsAvx2(). As in the AVX2 stages,
// everything here has internal linkage, as do the vector operations and stages it uses from
// headers.
#include "analysis/fft/windowed_first_stages.h"

#if defined(VOXWELL_SSE2)

#include "analysis/fft/simd/avx2/avx2.h"

// Written in terms of the vector operations above.
#include "analysis/fft/simd/lane_transforms.h"

static_assert(offsetOf(kColumn) <= kWorkArrayLength, "the work arrays hold the spaced blocks");

float laneTransformMagnitudesAvx2(const std::int16_t* samples, std::size_t used,
                                  const float* window, float* re, float* im, float* mags,
                                  float floor) {
    return laneTransformMagnitudes(samples, used, window, re, im, mags, floor);
}

#endif
