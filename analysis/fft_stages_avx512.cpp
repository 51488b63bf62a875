// Compiled with AVX-512F enabled and entered only after cpuSupportsAvx512(). As with the AVX2
// stages, everything here has internal linkage, as do the vector operations and stages it uses
// from headers.
#include "analysis/fft_stages.h"

#if defined(VOXWELL_SSE2)

#include <immintrin.h>

#include "analysis/fft_twiddles.h"
#include "analysis/vector_ops_avx512.h"

// Written in terms of the vector operations above.
#include "analysis/vector_stages.h"

namespace {

// Points per cache block: its first stages run while the block stays in the L1 cache.
constexpr std::size_t kBlock = 2048;

// Blocks that fit the L1 cache go through all their stages before the next block is touched.
// The first four stages need lanes from within a run of 16 points only; the AVX2 kernel for
// them is used as it is.
// Stages from half-length firstHalf on; firstHalf 1 runs all of them.
void stagesInBlocks(float* re, float* im, std::size_t n, std::size_t firstHalf) {
    const float* twiddles = fftTwiddles();
    const std::size_t block = n < kBlock ? n : kBlock;
    for (std::size_t start = 0; start < n; start += block) {
        if (firstHalf < 16) {
            fftFirstFourStagesAvx2(re + start, im + start, block);
            laterStages(re + start, im + start, block, 16, twiddles);
        } else {
            laterStages(re + start, im + start, block, firstHalf, twiddles);
        }
    }
    laterStages(re, im, n, block > firstHalf ? block : firstHalf, twiddles);
}

}  // namespace

void fftStagesAvx512(float* re, float* im, std::size_t n) {
    if (n < 32) {
        fftStagesAvx2(re, im, n);
        return;
    }
    stagesInBlocks(re, im, n, 1);
}

void fftStagesFromAvx512(float* re, float* im, std::size_t n, std::size_t firstHalf) {
    stagesInBlocks(re, im, n, firstHalf);
}

#endif
