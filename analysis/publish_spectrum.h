#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

// Divides the magnitudes by maxMag, stores the frequency of peakBin in g_peakHz, replaces
// g_spectrum with the result and posts WM_SPECTRUM_READY to the main window.
void publishSpectrum(std::vector<float>& mags, float maxMag, std::size_t peakBin,
                     std::int32_t sampleRate);
