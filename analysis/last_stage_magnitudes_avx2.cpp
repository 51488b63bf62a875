// Compiled with AVX2 enabled and entered only after cpuSupportsAvx2(). As in the AVX2 stages,
// everything here has internal linkage, as do the vector operations and stages it uses from
// headers.
#include "analysis/last_stage_magnitudes.h"

#if defined(VOXWELL_SSE2)

#include <immintrin.h>

#include "analysis/fft_twiddles.h"
#include "analysis/vector_ops_avx2.h"

// Written in terms of the vector operations above.
#include "analysis/vector_stages.h"

// The last stage would write the upper half too, and the magnitudes would then read the lower
// half back; here each bin is finished and measured while it is in a register, and the upper
// half, which no one reads, is never stored.
float lastStageMagnitudesAvx2(const float* re, const float* im, std::size_t n, float* mags,
                              float floor) {
    const float* twiddles = fftTwiddles();
    const std::size_t half = n / 2;
    Vector largest = broadcast(floor);
    for (std::size_t j = 0; j < half; j += kLanes) {
        Vector wRe;
        Vector wIm;
        loadFactors(twiddles, half, j, wRe, wIm);
        Vector xRe = load(re + j);
        Vector xIm = load(im + j);
        Vector yRe = load(re + half + j);
        Vector yIm = load(im + half + j);
        butterfly(xRe, xIm, yRe, yIm, wRe, wIm);
        const Vector magnitude =
            _mm256_sqrt_ps(_mm256_add_ps(_mm256_mul_ps(xRe, xRe), _mm256_mul_ps(xIm, xIm)));
        store(mags + j, magnitude);
        largest = _mm256_max_ps(largest, magnitude);
    }
    alignas(32) float lanes[kLanes];
    _mm256_store_ps(lanes, largest);
    float result = floor;
    for (float lane : lanes) {
        result = lane > result ? lane : result;
    }
    return result;
}

#endif
