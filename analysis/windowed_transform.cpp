#include "analysis/windowed_transform.h"

#include <algorithm>

#include "analysis/cpu_features.h"
#include "analysis/fft.h"
#include "analysis/fft_stages.h"
#include "analysis/last_stage_magnitudes.h"
#include "analysis/spectrum_peak.h"
#include "analysis/windowed_first_stages.h"
#include "analysis/windowed_samples.h"
#include "state/shared_state.h"

namespace {

#if defined(VOXWELL_SSE2)
// Windowing, bit reversal and the first stages in one pass, which also writes every imaginary
// part, then the stages that remain up to half-length n / 2 on each n-point part.
void windowedStagesWide(const std::int16_t* samples, std::size_t used, float* re, float* im,
                        std::size_t n) {
    const bool avx512 = cpuSupportsAvx512();
    const std::size_t firstHalf =
        (avx512 ? loadWindowedFirstStagesAvx512 : loadWindowedFirstStagesAvx2)(
            samples, used, g_fftWork.data(), re, im);
    const auto stages = avx512 ? fftStagesFromAvx512 : fftStagesFromAvx2;
    for (std::size_t start = 0; start < kBlockLength; start += n) {
        stages(re + start, im + start, n, firstHalf);
    }
}
#endif

}  // namespace

void transformWindowedBlock(const std::int16_t* samples, std::size_t used, float* re, float* im) {
#if defined(VOXWELL_SSE2)
    if (cpuSupportsAvx2()) {
        windowedStagesWide(samples, used, re, im, kBlockLength);
        return;
    }
#endif
    std::fill(im, im + kBlockLength, 0.0f);
    loadWindowedBitReversed(samples, used, re);
    fftRadix2FromBitReversed(re, im, kBlockLength);
}

std::size_t windowedMagnitudesAndPeak(const std::int16_t* samples, std::size_t used, float* re,
                                      float* im, float* mags, float& maxMag) {
#if defined(VOXWELL_SSE2)
    if (cpuSupportsAvx2()) {
        // Every stage but the last acts on each half of the block by itself.
        windowedStagesWide(samples, used, re, im, kSpectrumLength);
        maxMag = lastStageMagnitudesAvx2(re, im, kBlockLength, mags, kPeakFloor);
        return peakBin(mags, maxMag);
    }
#endif
    transformWindowedBlock(samples, used, re, im);
    return magnitudesAndPeak(re, im, mags, maxMag);
}
