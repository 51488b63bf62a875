#include "analysis/analyze_block.h"

#include <algorithm>
#include <cstddef>
#include <memory>
#include <vector>

#include "analysis/analysis_window.h"
#include "analysis/fft/windowed_first_stages.h"
#include "analysis/publish_spectrum.h"
#include "analysis/spectrum_peak.h"
#include "analysis/windowed_transform.h"
#include "state/shared_state.h"

namespace {

// The work arrays, kept from block to block to spare an allocation each time; the transform
// overwrites them. Process-wide rather than per thread: only the analysis thread uses them, one at
// a time, and the MinGW runtime frees a thread's storage before it runs that thread's
// thread_local destructors, which then free memory already freed.
// Both start on a cache line, and im a little after the end of re, so that re[i] and im[i] do
// not share their low address bits.
constexpr std::size_t kLine = 64 / sizeof(float);
constexpr std::size_t kGap = 2 * kLine;
std::vector<float> analysisWork;
std::vector<float> analysisMags;

}  // namespace

void analyzeBlock(const std::int16_t* samples, std::uint64_t count, std::int32_t sampleRate) {
    ensureAnalysisWindow();
    // Both, until both have their memory: one may have got it and the other not.
    if (analysisMags.empty()) {
        analysisWork.resize(2 * kWorkArrayLength + kGap + kLine);
        analysisMags.resize(kSpectrumLength);
    }
    void* start = analysisWork.data();
    std::size_t space = analysisWork.size() * sizeof(float);
    float* re = static_cast<float*>(std::align(
        kLine * sizeof(float), (2 * kWorkArrayLength + kGap) * sizeof(float), start, space));
    float* im = re + kWorkArrayLength + kGap;

    const std::size_t used = static_cast<std::size_t>(std::min<std::uint64_t>(count, kBlockLength));
    float maxMag = kPeakFloor;
    const std::size_t peak =
        windowedMagnitudesAndPeak(samples, used, re, im, analysisMags.data(), maxMag);
    publishSpectrum(analysisMags, maxMag, peak, sampleRate);
}
