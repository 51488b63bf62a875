#include "analysis/analyze_block.h"

#include <algorithm>
#include <cmath>
#include <cstddef>
#include <vector>

#include "analysis/analysis_window.h"
#include "analysis/fft.h"
#include "state/shared_state.h"

namespace {

constexpr float kSampleScale = 3.0517578125e-05f;  // 1 / 32768
constexpr float kPeakFloor = 1e-8f;
constexpr float kBinWidthFactor = 1.52587890625e-05f;  // 1 / 65536

}  // namespace

void analyzeBlock(const std::int16_t* samples, std::uint64_t count, std::int32_t sampleRate) {
    ensureAnalysisWindow();

    std::vector<float> re(kBlockLength, 0.0f);
    std::vector<float> im(kBlockLength, 0.0f);
    const std::size_t used = static_cast<std::size_t>(std::min<std::uint64_t>(count, kBlockLength));
    for (std::size_t i = 0; i < used; ++i) {
        re[i] = (static_cast<float>(samples[i]) * kSampleScale) * g_fftWork[i];
    }

    fftRadix2(re, im);

    // Strictly greater: among equal maxima the lowest bin stays the peak. A spectrum that never
    // rises above the floor leaves the peak at bin 0 and divides by the floor, not by zero.
    std::vector<float> mags(kSpectrumLength, 0.0f);
    float maxMag = kPeakFloor;
    std::size_t peakBin = 0;
    for (std::size_t k = 0; k < kSpectrumLength; ++k) {
        const float m = std::sqrt(re[k] * re[k] + im[k] * im[k]);
        mags[k] = m;
        if (m > maxMag) {
            maxMag = m;
            peakBin = k;
        }
    }
    for (float& m : mags) {
        m = m / maxMag;
    }

    g_peakHz = (static_cast<float>(peakBin) * static_cast<float>(sampleRate)) * kBinWidthFactor;
    {
        std::lock_guard lock(g_spectrumMutex);
        g_spectrum.assign(mags.begin(), mags.end());
    }
    PostMessageW(g_mainWindow, WM_SPECTRUM_READY, 0, 0);
}
