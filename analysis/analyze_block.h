#pragma once

#include <cstdint>

// Windows the first kBlockLength samples (zero-padding a shorter block), transforms them and
// publishes the normalised spectrum of bins 0 .. kSpectrumLength - 1 and the peak frequency, then
// posts WM_SPECTRUM_READY. Runs on the analysis thread only.
void analyzeBlock(const std::int16_t* samples, std::uint64_t count, std::int32_t sampleRate);
