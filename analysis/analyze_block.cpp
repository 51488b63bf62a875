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

    // Work arrays kept from call to call spare an allocation and a zeroing pass each: re and mags
    // are overwritten whole, so only im needs clearing.
    thread_local std::vector<float> re(kBlockLength);
    thread_local std::vector<float> im(kBlockLength);
    thread_local std::vector<float> mags(kSpectrumLength);
    std::fill(im.begin(), im.end(), 0.0f);

    // The windowed block goes straight into the bit-reversed order the butterflies start from;
    // the result is that of fftRadix2 on the windowed block in natural order.
    const std::size_t used = static_cast<std::size_t>(std::min<std::uint64_t>(count, kBlockLength));
    loadWindowedBitReversed(samples, used, re.data());
    fftRadix2FromBitReversed(re, im);

    float maxMag = kPeakFloor;
    const std::size_t peakBin = magnitudesAndPeak(re.data(), im.data(), mags.data(), maxMag);
    publishSpectrum(mags, maxMag, peakBin, sampleRate);
}
