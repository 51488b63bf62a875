#include "analysis/analyze_block.h"

#include <algorithm>
#include <cstddef>
#include <memory>
#include <vector>

#include "analysis/analysis_window.h"
#include "analysis/publish_spectrum.h"
#include "analysis/spectrum_peak.h"
#include "analysis/windowed_transform.h"
#include "state/shared_state.h"

void analyzeBlock(const std::int16_t* samples, std::uint64_t count, std::int32_t sampleRate) {
    ensureAnalysisWindow();

    // The work arrays are kept from call to call, which spares an allocation each time; the
    // transform overwrites them. Both start on a cache line, and im a little after the end
    // of re, so that re[i] and im[i] do not share their low address bits.
    constexpr std::size_t kLine = 64 / sizeof(float);
    constexpr std::size_t kGap = 2 * kLine;
    thread_local std::vector<float> work(2 * kBlockLength + kGap + kLine);
    thread_local std::vector<float> mags(kSpectrumLength);
    void* start = work.data();
    std::size_t space = work.size() * sizeof(float);
    float* re = static_cast<float*>(
        std::align(kLine * sizeof(float), (2 * kBlockLength + kGap) * sizeof(float), start, space));
    float* im = re + kBlockLength + kGap;

    const std::size_t used = static_cast<std::size_t>(std::min<std::uint64_t>(count, kBlockLength));
    float maxMag = kPeakFloor;
    const std::size_t peak = windowedMagnitudesAndPeak(samples, used, re, im, mags.data(), maxMag);
    publishSpectrum(mags, maxMag, peak, sampleRate);
}
