#include "tests/analysis/test_signals.h"

#include <cmath>
#include <numbers>
#include <random>

std::vector<float> randomSignal(std::size_t n, unsigned seed) {
    std::mt19937 rng(seed);
    std::uniform_real_distribution<float> value(-1.0f, 1.0f);
    std::vector<float> signal(n);
    for (float& x : signal) {
        x = value(rng);
    }
    return signal;
}

namespace {

// The angle of sample j, reduced exactly before it is scaled so that it stays accurate for long
// signals.
double phaseOf(std::size_t j, std::size_t n, std::size_t cycles) {
    return 2.0 * std::numbers::pi * static_cast<double>((cycles * j) % n) / static_cast<double>(n);
}

}  // namespace

std::vector<float> cosineSignal(std::size_t n, std::size_t cycles, double amplitude, double phase) {
    std::vector<float> signal(n);
    for (std::size_t j = 0; j < n; ++j) {
        signal[j] = static_cast<float>(amplitude * std::cos(phaseOf(j, n, cycles) + phase));
    }
    return signal;
}

std::vector<std::int16_t> sineSamples(std::size_t n, std::size_t cycles, double amplitude) {
    std::vector<std::int16_t> samples(n);
    for (std::size_t j = 0; j < n; ++j) {
        samples[j] =
            static_cast<std::int16_t>(std::lround(amplitude * std::sin(phaseOf(j, n, cycles))));
    }
    return samples;
}

std::vector<std::vector<std::int16_t>> varietyOfBlocks() {
    constexpr std::size_t n = 65536;
    std::mt19937 rng(5);
    std::uniform_int_distribution<int> anySample(-32768, 32767);
    std::vector<std::int16_t> noise(n);
    for (std::int16_t& x : noise) {
        x = static_cast<std::int16_t>(anySample(rng));
    }
    std::vector<std::int16_t> sparse(n, 0);
    for (std::size_t i = 0; i < n; i += 97) {
        sparse[i] = static_cast<std::int16_t>(anySample(rng));
    }
    return {
        noise,
        sparse,
        sineSamples(n, 1234, 30000.0),
        std::vector<std::int16_t>(noise.begin(), noise.begin() + 40000),
        std::vector<std::int16_t>(noise.begin(), noise.begin() + 17),
        {},
    };
}
