#include "analysis/windowed_transform.h"

#include <algorithm>

#include "analysis/fft/cpu_features.h"
#include "analysis/fft/fft.h"
#include "analysis/fft/stages.h"
#include "analysis/spectrum_peak.h"
#include "analysis/fft/windowed_first_stages.h"
#include "analysis/windowed_samples.h"
#include "state/shared_state.h"

namespace {

#if defined(VOXWELL_SSE2)
// Windowing, bit reversal and the first stages in one pass, which also writes every imaginary
// part; returns the half-length of the first stage still to run.
std::size_t loadWindowedFirstStagesWide(const std::int16_t* samples, std::size_t used, float* re,
                                        float* im) {
    return (cpuSupportsAvx512() ? loadWindowedFirstStagesAvx512 : loadWindowedFirstStagesAvx2)(
        samples, used, g_fftWork.data(), re, im);
}
#endif

}  // namespace

void transformWindowedBlock(const std::int16_t* samples, std::size_t used, float* re, float* im) {
#if defined(VOXWELL_SSE2)
    if (cpuSupportsAvx2()) {
        const std::size_t firstHalf = loadWindowedFirstStagesWide(samples, used, re, im);
        (cpuSupportsAvx512() ? fftStagesFromAvx512 : fftStagesFromAvx2)(re, im, kBlockLength,
                                                                        firstHalf);
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
        const std::size_t firstHalf = loadWindowedFirstStagesWide(samples, used, re, im);
        maxMag = (cpuSupportsAvx512()
                      ? fftStagesAndMagnitudesFromAvx512
                      : fftStagesAndMagnitudesFromAvx2)(re, im, firstHalf, mags, kPeakFloor);
    } else {
        std::fill(im, im + kBlockLength, 0.0f);
        loadWindowedBitReversed(samples, used, re);
        maxMag = fftStagesAndMagnitudesSse2(re, im, mags, kPeakFloor);
    }
    return peakBin(mags, maxMag);
#else
    transformWindowedBlock(samples, used, re, im);
    return magnitudesAndPeak(re, im, mags, maxMag);
#endif
}
