#include "analysis/fft/fft.h"

#include <algorithm>
#include <cstddef>

#include "analysis/fft/cpu_features.h"
#include "analysis/fft/bit_reverse.h"
#include "analysis/fft/stages.h"
#include "analysis/fft/twiddles.h"

namespace {

using StagesFunction = void (*)(float*, float*, std::size_t);

// The widest variant this processor runs, chosen once; all of them give the same bits.
StagesFunction fastestStages() {
#if defined(VOXWELL_SSE2)
    static const StagesFunction chosen = cpuSupportsAvx512() ? fftStagesAvx512
                                         : cpuSupportsAvx2() ? fftStagesAvx2
                                                             : fftStagesSse2;
    return chosen;
#else
    return fftStagesScalar;
#endif
}

}  // namespace

void fftRadix2(std::vector<float>& re, std::vector<float>& im) {
#if defined(VOXWELL_SSE2)
    static const auto permute = cpuSupportsAvx2() ? bitReversePermuteAvx2 : bitReversePermute;
#else
    const auto permute = bitReversePermute;
#endif
    permute(re.data(), im.data(), re.size());
    fftRadix2FromBitReversed(re.data(), im.data(), re.size());
}

void fftRadix2FromBitReversed(float* re, float* im, std::size_t n) {
    if (n <= 1) {
        return;
    }
    // The first log2(kTwiddleTableLength) stages act on independent blocks of that length.
    const std::size_t tabled = std::min(n, kTwiddleTableLength);
    const StagesFunction stages = fastestStages();
    for (std::size_t start = 0; start < n; start += tabled) {
        stages(re + start, im + start, tabled);
    }
    for (std::size_t half = tabled; half < n; half *= 2) {
        runningTwiddleStage(re, im, n, half);
    }
}
