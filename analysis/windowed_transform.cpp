#include "analysis/windowed_transform.h"

#include <algorithm>

#include "analysis/fft/cpu_features.h"
#include "analysis/fft/fft.h"
#include "analysis/fft/stages.h"
#include "analysis/spectrum_peak.h"
#include "analysis/fft/windowed_first_stages.h"
#include "analysis/windowed_samples.h"
#include "state/shared_state.h"

void transformWindowedBlock(const std::int16_t* samples, std::size_t used, float* re, float* im) {
#if defined(VOXWELL_SSE2)
    if (cpuSupportsAvx512()) {
        const std::size_t firstHalf =
            loadWindowedFirstStagesAvx512(samples, used, g_fftWork.data(), re, im);
        fftStagesFromAvx512(re, im, kBlockLength, firstHalf);
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
    if (cpuSupportsAvx512()) {
        const std::size_t firstHalf =
            loadWindowedFirstStagesAvx512(samples, used, g_fftWork.data(), re, im);
        maxMag = fftStagesAndMagnitudesFromAvx512(re, im, firstHalf, mags, kPeakFloor);
    } else if (cpuSupportsAvx2()) {
        maxMag =
            laneTransformMagnitudesAvx2(samples, used, g_fftWork.data(), re, im, mags, kPeakFloor);
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
