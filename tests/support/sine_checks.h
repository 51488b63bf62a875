// Checks on a recorded sine: its frequency, its level, and whether each sample follows from the
// two before it as a pure sine's would, which a dropped, repeated or zero-filled packet breaks.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

struct ContinuityResult {
    std::size_t breaks = 0;      // samples that do not continue the sine
    std::size_t firstBreak = 0;  // index of the first of them, when there is one
    double largestResidual = 0.0;
};

// One channel of frames interleaved as in a WAV file, as doubles.
std::vector<double> channelOf(const std::vector<std::int16_t>& interleaved, unsigned channels,
                              unsigned channel);

// Frequency in Hz from the first and last upward zero crossings, each placed between its two
// samples by linear interpolation; 0 when there are fewer than two crossings.
double sineFrequency(const std::vector<double>& x, double sampleRate);

// The smallest of the peak magnitudes of consecutive windows of the given length: with windows
// just over a period long, a stretch of silence anywhere shows as a low value. A partial last
// window is ignored.
double smallestWindowPeak(const std::vector<double>& x, std::size_t window);

double largestMagnitude(const std::vector<double>& x);

// A sine of angular step w satisfies x[n+1] = 2cos(w)x[n] - x[n-1]. Counts the samples x[n+1]
// that miss this by more than tolerance.
ContinuityResult sineContinuity(const std::vector<double>& x, double frequency, double sampleRate,
                                double tolerance);
