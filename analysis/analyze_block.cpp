#include "analysis/analyze_block.h"

#include <algorithm>
#include <cstddef>
#include <vector>

#include "analysis/analysis_window.h"
#include "analysis/fft.h"
#include "analysis/publish_spectrum.h"
#include "analysis/spectrum_peak.h"
#include "analysis/windowed_samples.h"
#include "state/shared_state.h"

void analyzeBlock(const std::int16_t* samples, std::uint64_t count, std::int32_t sampleRate) {
    ensureAnalysisWindow();

    // The windowed block goes straight into the bit-reversed order the butterflies start from;
    // the result is that of fftRadix2 on the windowed block in natural order. im stays all zero.
    std::vector<float> re(kBlockLength, 0.0f);
    std::vector<float> im(kBlockLength, 0.0f);
    const std::size_t used = static_cast<std::size_t>(std::min<std::uint64_t>(count, kBlockLength));
    loadWindowedBitReversed(samples, used, re.data());
    fftRadix2FromBitReversed(re, im);

    std::vector<float> mags(kSpectrumLength, 0.0f);
    float maxMag = kPeakFloor;
    const std::size_t peakBin = magnitudesAndPeak(re.data(), im.data(), mags.data(), maxMag);
    publishSpectrum(mags, maxMag, peakBin, sampleRate);
}
