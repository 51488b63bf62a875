// Compiled with AVX-512F enabled and entered only after cpuSupportsAvx512(). As with the AVX2
// stages, everything here has internal linkage, as do the vector operations and stages it uses
// from headers.
#include "analysis/fft/stages.h"

#if defined(VOXWELL_SSE2)

#include <immintrin.h>

#include "analysis/fft/twiddles.h"
#include "analysis/fft/simd/avx512/avx512.h"

// Written in terms of the vector operations above.
#include "analysis/fft/simd/stages.h"

// The first four stages need lanes from within a run of 16 points only; the AVX2 kernel for
// them is used as it is.
void fftStagesAvx512(float* re, float* im, std::size_t n) {
    if (n < 32) {
        fftStagesAvx2(re, im, n);
        return;
    }
    stagesInBlocks(re, im, n, 1, fftFirstFourStagesAvx2, 16, n);
}

void fftStagesFromAvx512(float* re, float* im, std::size_t n, std::size_t firstHalf) {
    stagesInBlocks(re, im, n, firstHalf, fftFirstFourStagesAvx2, 16, n);
}

float fftStagesAndMagnitudesFromAvx512(float* re, float* im, std::size_t firstHalf, float* mags,
                                       float floor) {
    return stagesInBlocksAndMagnitudes(re, im, firstHalf, fftFirstFourStagesAvx2, 16, mags, floor);
}

#endif
