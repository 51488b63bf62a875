// Analyses one fixed block and prints what the result depends on, bit for bit, so that the
// Windows build (run under Wine) and the native build can be compared line by line:
//   peak_bin K           the lowest bin of value 1.0
//   peak_hz BITS VALUE   g_peakHz
//   step H BITS BITS     cosf and sinf of each stage's angle, the seeds of its twiddle factors
//   transform HASH       a hash of the bits fftRadix2 gives for the fixed block as complex input
//   window I BITS VALUE  g_fftWork[I]
//   spectrum K BITS VALUE
// BITS is the float's bit pattern as an unsigned integer, VALUE the float in decimal.
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <iomanip>
#include <iostream>
#include <mutex>
#include <vector>

#include "analysis/analyze_block.h"
#include "analysis/fft/fft.h"
#include "state/shared_state.h"

namespace {

std::uint32_t bitsOf(float value) {
    std::uint32_t bits = 0;
    std::memcpy(&bits, &value, sizeof bits);
    return bits;
}

void print(const char* key, std::size_t index, float value) {
    std::cout << key << ' ' << index << ' ' << bitsOf(value) << ' ' << std::setprecision(9) << value
              << '\n';
}

// Two tones from an integer oscillator (x -= y / 2^k, y += x / 2^k) and noise from a linear
// congruential generator: integer arithmetic only, so both builds start from the same samples
// whatever their C runtimes' sines do.
std::vector<std::int16_t> fixedBlock() {
    std::vector<std::int16_t> block(kBlockLength);
    std::int32_t x1 = 12000;
    std::int32_t y1 = 0;
    std::int32_t x2 = 5000;
    std::int32_t y2 = 0;
    std::uint32_t noise = 12345;
    for (std::int16_t& sample : block) {
        x1 -= y1 / 64;
        y1 += x1 / 64;
        x2 -= y2 / 8;
        y2 += x2 / 8;
        noise = noise * 1664525u + 1013904223u;
        const std::int32_t jitter = static_cast<std::int32_t>(noise >> 23) - 256;
        sample = static_cast<std::int16_t>(x1 + x2 + jitter);
    }
    return block;
}

// FNV-1a over the bit patterns of both arrays.
std::uint64_t hashOf(const std::vector<float>& re, const std::vector<float>& im) {
    std::uint64_t hash = 14695981039346656037ull;
    for (const std::vector<float>* values : {&re, &im}) {
        for (float value : *values) {
            hash = (hash ^ bitsOf(value)) * 1099511628211ull;
        }
    }
    return hash;
}

}  // namespace

int main() {
    const std::vector<std::int16_t> block = fixedBlock();
    analyzeBlock(block.data(), block.size(), 48000);

    std::vector<float> spectrum;
    {
        std::lock_guard lock(g_spectrumMutex);
        spectrum = g_spectrum;
    }
    std::size_t peak = 0;
    while (peak < spectrum.size() && spectrum[peak] != 1.0f) {
        ++peak;
    }
    std::cout << "peak_bin " << peak << '\n';
    print("peak_hz", 0, g_peakHz.load());
    for (std::size_t len = 2; len <= kBlockLength; len *= 2) {
        const float angle = -6.2831855f / static_cast<float>(len);
        std::cout << "step " << len / 2 << ' ' << bitsOf(std::cos(angle)) << ' '
                  << bitsOf(std::sin(angle)) << '\n';
    }
    // No library function takes part in this one: with equal seeds the bits must be equal.
    std::vector<float> re(block.begin(), block.end());
    std::vector<float> im(block.rbegin(), block.rend());
    fftRadix2(re, im);
    std::cout << "transform " << hashOf(re, im) << '\n';
    for (std::size_t i = 0; i < g_fftWork.size(); ++i) {
        print("window", i, g_fftWork[i]);
    }
    for (std::size_t k = 0; k < spectrum.size(); ++k) {
        print("spectrum", k, spectrum[k]);
    }
    return 0;
}
