#include "tests/analysis/literal_analysis.h"

#include <algorithm>
#include <cmath>
#include <cstddef>

#include "tests/analysis/literal_fft.h"

LiteralTransform literalWindowedTransform(const std::vector<std::int16_t>& samples) {
    constexpr std::size_t n = 65536;
    std::vector<float> window(n);
    for (std::size_t i = 0; i < n; ++i) {
        const float x = static_cast<float>(i);
        const double a = std::cos((x * 6.2831855f) / 65535.0f);
        const double b = std::cos((x * 12.566371f) / 65535.0f);
        window[i] = static_cast<float>(0.42 - 0.5 * a + 0.08 * b);
    }

    std::vector<float> re(n, 0.0f);
    std::vector<float> im(n, 0.0f);
    for (std::size_t i = 0; i < std::min(samples.size(), n); ++i) {
        re[i] = (static_cast<float>(samples[i]) * 3.0517578125e-05f) * window[i];
    }
    literalFftRadix2(re, im);
    return {re, im};
}

LiteralAnalysis literalAnalyzeBlock(const std::vector<std::int16_t>& samples,
                                    std::int32_t sampleRate) {
    constexpr std::size_t n = 65536;
    const LiteralTransform transform = literalWindowedTransform(samples);
    const std::vector<float>& re = transform.re;
    const std::vector<float>& im = transform.im;

    std::vector<float> mags(n / 2, 0.0f);
    float maxMag = 1e-8f;
    std::size_t peakBin = 0;
    for (std::size_t k = 0; k < n / 2; ++k) {
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
    const float peakHz =
        (static_cast<float>(peakBin) * static_cast<float>(sampleRate)) * 1.52587890625e-05f;
    return {mags, peakHz};
}
