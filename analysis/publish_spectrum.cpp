#include "analysis/publish_spectrum.h"

#include <mutex>

#include "analysis/divide_each.h"
#include "state/shared_state.h"

namespace {

constexpr float kBinWidthFactor = 1.52587890625e-05f;  // 1 / 65536

}  // namespace

void publishSpectrum(std::vector<float>& mags, float maxMag, std::size_t peakBin,
                     std::int32_t sampleRate) {
    divideEach(mags.data(), mags.size(), maxMag);
    // The peak is stored before, and outside, the spectrum's lock: a repaint may pair it with the
    // previous spectrum, which is harmless.
    g_peakHz = (static_cast<float>(peakBin) * static_cast<float>(sampleRate)) * kBinWidthFactor;
    {
        std::lock_guard lock(g_spectrumMutex);
        g_spectrum.assign(mags.begin(), mags.end());
    }
    PostMessageW(g_mainWindow, WM_SPECTRUM_READY, 0, 0);
}
