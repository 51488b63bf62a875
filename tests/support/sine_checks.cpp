#include "tests/support/sine_checks.h"

#include <algorithm>
#include <cmath>
#include <numbers>

std::vector<double> channelOf(const std::vector<std::int16_t>& interleaved, unsigned channels,
                              unsigned channel) {
    std::vector<double> out;
    out.reserve(interleaved.size() / channels);
    for (std::size_t i = channel; i < interleaved.size(); i += channels) {
        out.push_back(interleaved[i]);
    }
    return out;
}

double sineFrequency(const std::vector<double>& x, double sampleRate) {
    double first = -1.0;
    double last = -1.0;
    std::size_t crossings = 0;
    for (std::size_t n = 1; n < x.size(); ++n) {
        if (x[n - 1] < 0.0 && x[n] >= 0.0) {
            const double at =
                static_cast<double>(n - 1) + (-x[n - 1]) / (x[n] - x[n - 1]);  // x(at) = 0
            if (crossings == 0) {
                first = at;
            }
            last = at;
            ++crossings;
        }
    }
    if (crossings < 2) {
        return 0.0;
    }
    return static_cast<double>(crossings - 1) * sampleRate / (last - first);
}

double smallestWindowPeak(const std::vector<double>& x, std::size_t window) {
    if (window == 0 || x.size() < window) {
        return 0.0;
    }
    double smallest = HUGE_VAL;
    for (std::size_t start = 0; start + window <= x.size(); start += window) {
        double peak = 0.0;
        for (std::size_t n = start; n < start + window; ++n) {
            peak = std::max(peak, std::abs(x[n]));
        }
        smallest = std::min(smallest, peak);
    }
    return smallest;
}

double largestMagnitude(const std::vector<double>& x) {
    double largest = 0.0;
    for (double value : x) {
        largest = std::max(largest, std::abs(value));
    }
    return largest;
}

ContinuityResult sineContinuity(const std::vector<double>& x, double frequency, double sampleRate,
                                double tolerance) {
    const double twoCos = 2.0 * std::cos(2.0 * std::numbers::pi * frequency / sampleRate);
    ContinuityResult result;
    for (std::size_t n = 1; n + 1 < x.size(); ++n) {
        const double residual = std::abs(x[n + 1] - (twoCos * x[n] - x[n - 1]));
        result.largestResidual = std::max(result.largestResidual, residual);
        if (residual > tolerance) {
            if (result.breaks == 0) {
                result.firstBreak = n + 1;
            }
            ++result.breaks;
        }
    }
    return result;
}
