#include "analysis/analyze_block.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <numbers>
#include <vector>

#include "tests/analysis/literal_analysis.h"
#include "tests/standin/script/message_script.h"
#include "state/shared_state.h"
#include "tests/analysis/test_signals.h"

namespace {

constexpr std::size_t kN = 65536;

class AnalyzeBlock : public ::testing::Test {
  protected:
    void SetUp() override {
        standin::resetMessages();
        std::lock_guard lock(g_spectrumMutex);
        g_spectrum.clear();
        g_peakHz = -1.0f;
    }

    static void analyze(const std::vector<std::int16_t>& samples, std::int32_t rate = 44100) {
        analyzeBlock(samples.data(), samples.size(), rate);
    }

    static std::vector<float> spectrum() {
        std::lock_guard lock(g_spectrumMutex);
        return g_spectrum;
    }
};

TEST_F(AnalyzeBlock, SilenceGivesZerosAndZeroHzAndOneMessage) {
    for (const std::vector<std::int16_t>& silent :
         {std::vector<std::int16_t>(kN, 0), std::vector<std::int16_t>{}}) {
        standin::resetMessages();
        g_peakHz = -1.0f;
        analyze(silent);
        EXPECT_EQ(spectrum(), std::vector<float>(kSpectrumLength, 0.0f));
        EXPECT_EQ(g_peakHz.load(), 0.0f);
        const std::vector<MSG> posted = standin::postedMessages();
        ASSERT_EQ(posted.size(), 1u);
        EXPECT_EQ(posted[0].hwnd, g_mainWindow);
        EXPECT_EQ(posted[0].message, WM_SPECTRUM_READY);
        EXPECT_EQ(posted[0].wParam, 0u);
        EXPECT_EQ(posted[0].lParam, 0);
    }
}

TEST_F(AnalyzeBlock, ConstantPeaksInBinZero) {
    analyze(std::vector<std::int16_t>(kN, 1000));
    const std::vector<float> values = spectrum();
    EXPECT_EQ(g_peakHz.load(), 0.0f);
    EXPECT_EQ(values[0], 1.0f);
    EXPECT_LT(*std::max_element(values.begin() + 1, values.end()), 1.0f);
}

TEST_F(AnalyzeBlock, FullScaleSineOf100CyclesPeaksAt67Point29Hz) {
    analyze(sineSamples(kN, 100, 32767.0), 44100);
    // 100 * 44100 / 65536 is exact in single precision.
    EXPECT_EQ(g_peakHz.load(), 67.291259765625f);
    const std::vector<float> values = spectrum();
    ASSERT_EQ(values.size(), kSpectrumLength);
    EXPECT_EQ(values[100], 1.0f);
    EXPECT_GE(*std::min_element(values.begin(), values.end()), 0.0f);
    EXPECT_EQ(*std::max_element(values.begin(), values.end()), 1.0f);
    // A Blackman window spreads a whole-period sine over five bins in the ratio
    // 0.04 : 0.25 : 0.42 : 0.25 : 0.04.
    EXPECT_NEAR(values[99], 0.25 / 0.42, 1e-3);
    EXPECT_NEAR(values[101], 0.25 / 0.42, 1e-3);
    EXPECT_NEAR(values[102], 0.04 / 0.42, 1e-3);
    EXPECT_LT(values[103], 1e-3);
}

TEST_F(AnalyzeBlock, MagnitudesBelowTheFloorAreDividedByTheFloor) {
    // A lone sample at index 0 meets the window's first coefficient, about -1.4e-17, so every
    // bin holds the same magnitude, far below 1e-8: no bin becomes 1.0.
    std::vector<std::int16_t> samples(kN, 0);
    samples[0] = 32767;
    analyze(samples);
    EXPECT_EQ(g_peakHz.load(), 0.0f);
    const float expected = static_cast<float>(32767.0 / 32768.0 * 1.3877787807814457e-17 / 1e-8);
    for (float value : spectrum()) {
        ASSERT_NEAR(value, expected, 1e-5 * expected);
    }
}

TEST_F(AnalyzeBlock, ShortBlockIsZeroPaddedAndLongBlockCut) {
    const std::vector<std::int16_t> sine = sineSamples(kN, 2000, 20000.0);

    std::vector<std::int16_t> padded(sine.begin(), sine.begin() + 3000);
    padded.resize(kN, 0);
    analyze(padded);
    const std::vector<float> paddedSpectrum = spectrum();
    const float paddedPeak = g_peakHz;

    analyze(std::vector<std::int16_t>(sine.begin(), sine.begin() + 3000));
    EXPECT_EQ(spectrum(), paddedSpectrum);
    EXPECT_EQ(g_peakHz.load(), paddedPeak);

    analyze(sine);
    const std::vector<float> fullSpectrum = spectrum();
    std::vector<std::int16_t> longer = sine;
    longer.resize(kN + 5000, 32767);
    analyze(longer);
    EXPECT_EQ(spectrum(), fullSpectrum);
    EXPECT_EQ(standin::postedMessages().size(), 4u);
}

TEST_F(AnalyzeBlock, EqualMaximaPickTheLowestBin) {
    // Samples only at multiples of n/4 make the spectrum repeat every 4 bins exactly: the largest
    // magnitude, in bin 2, recurs unchanged in bins 6, 10, ..., 32766.
    std::vector<std::int16_t> samples(kN, 0);
    samples[kN / 4] = 20000;
    samples[kN / 2] = -20000;
    analyze(samples);
    const std::vector<float> values = spectrum();
    for (std::size_t k = 2; k < kSpectrumLength; k += 4) {
        ASSERT_EQ(values[k], 1.0f) << "bin " << k;
    }
    EXPECT_EQ(g_peakHz.load(), 2.0f * 44100.0f / 65536.0f);
}

TEST_F(AnalyzeBlock, HighestKeptBinIs32767) {
    // Windowed, a cosine in bin 32767 leaks more into bin 32768 (0.25 from it and 0.25 from its
    // mirror in bin 32769) than it keeps (0.42 - 0.04); bin 32768 is not kept, so the peak stays
    // at 32767, just below half the rate.
    std::vector<std::int16_t> samples(kN);
    const std::vector<float> cosine = cosineSignal(kN, kSpectrumLength - 1, 32767.0);
    std::transform(cosine.begin(), cosine.end(), samples.begin(),
                   [](float x) { return static_cast<std::int16_t>(std::lround(x)); });
    analyze(samples, 44100);
    const std::vector<float> values = spectrum();
    ASSERT_EQ(values.size(), kSpectrumLength);
    EXPECT_EQ(values[kSpectrumLength - 1], 1.0f);
    EXPECT_NEAR(g_peakHz.load(), 32767.0 * 44100.0 / 65536.0, 1e-2);
    EXPECT_LT(g_peakHz.load(), 22050.0f);
}

TEST_F(AnalyzeBlock, WindowIsSymmetricBlackmanOverNPoints) {
    analyze(std::vector<std::int16_t>(kN, 0));
    ASSERT_EQ(g_fftWork.size(), kN);
    // The weighted sum is formed in double: in single precision the first coefficient would be
    // -1.5e-8 rather than -1.4e-17.
    EXPECT_EQ(g_fftWork[0], static_cast<float>(0.42 - 0.5 + 0.08));
    for (std::size_t i :
         {std::size_t{16384}, std::size_t{32767}, std::size_t{32768}, std::size_t{49151}, kN - 1}) {
        // Denominator N - 1: with N instead the coefficient at 16384 would be off by 7.5e-5.
        const double x = 2.0 * std::numbers::pi * static_cast<double>(i) / (kN - 1);
        const double expected = 0.42 - 0.5 * std::cos(x) + 0.08 * std::cos(2.0 * x);
        EXPECT_NEAR(g_fftWork[i], expected, 1e-6) << "coefficient " << i;
    }
    EXPECT_NEAR(g_fftWork[32767], 1.0f, 1e-6);
}

TEST_F(AnalyzeBlock, WindowTableIsBuiltOnceAndKept) {
    analyze(std::vector<std::int16_t>(kN, 0));
    const std::vector<float> blackman = g_fftWork;

    // A table that is already there is used as it is: a flat one lets a whole-period sine
    // through without spreading it into the neighbouring bins.
    std::fill(g_fftWork.begin(), g_fftWork.end(), 1.0f);
    analyze(sineSamples(kN, 100, 32767.0));
    EXPECT_EQ(g_fftWork, std::vector<float>(kN, 1.0f));
    EXPECT_EQ(spectrum()[100], 1.0f);
    EXPECT_LT(spectrum()[101], 1e-3);

    g_fftWork = blackman;
}

TEST_F(AnalyzeBlock, MatchesTheStepByStepAnalysisBitForBit) {
    for (const std::vector<std::int16_t>& block : varietyOfBlocks()) {
        const LiteralAnalysis expected = literalAnalyzeBlock(block, 48000);
        analyze(block, 48000);
        const std::vector<float> values = spectrum();
        ASSERT_EQ(values.size(), expected.spectrum.size());
        EXPECT_EQ(
            std::memcmp(values.data(), expected.spectrum.data(), values.size() * sizeof(float)), 0)
            << "block of " << block.size() << " samples";
        EXPECT_EQ(g_peakHz.load(), expected.peakHz) << "block of " << block.size() << " samples";
    }
}

}  // namespace
