#include "analysis/fft/fft.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstddef>
#include <numbers>
#include <vector>

#include "tests/analysis/reference_dft.h"
#include "tests/analysis/test_signals.h"

namespace {

constexpr std::size_t kN = 65536;

float magnitude(const std::vector<float>& re, const std::vector<float>& im, std::size_t k) {
    return std::hypot(re[k], im[k]);
}

TEST(FftRadix2, LeavesLengthsZeroAndOneUnchanged) {
    std::vector<float> re;
    std::vector<float> im;
    fftRadix2(re, im);
    EXPECT_TRUE(re.empty());
    EXPECT_TRUE(im.empty());

    re = {3.5f};
    im = {-2.25f};
    fftRadix2(re, im);
    EXPECT_EQ(re, std::vector<float>{3.5f});
    EXPECT_EQ(im, std::vector<float>{-2.25f});
}

TEST(FftRadix2, UnitImpulseGivesOneInEveryBin) {
    std::vector<float> re(kN, 0.0f);
    std::vector<float> im(kN, 0.0f);
    re[0] = 1.0f;
    fftRadix2(re, im);
    for (std::size_t k = 0; k < kN; ++k) {
        ASSERT_EQ(re[k], 1.0f) << "bin " << k;
        ASSERT_EQ(im[k], 0.0f) << "bin " << k;
    }
}

TEST(FftRadix2, ConstantSumsIntoBinZeroWithoutScaling) {
    // Every butterfly pairs equal values, so all bins but 0 are exactly zero.
    std::vector<float> re(kN, 0.5f);
    std::vector<float> im(kN, 0.0f);
    fftRadix2(re, im);
    EXPECT_EQ(re[0], 0.5f * static_cast<float>(kN));
    EXPECT_EQ(im[0], 0.0f);
    for (std::size_t k = 1; k < kN; ++k) {
        ASSERT_EQ(re[k], 0.0f) << "bin " << k;
        ASSERT_EQ(im[k], 0.0f) << "bin " << k;
    }
}

TEST(FftRadix2, CosineLandsInBinsMAndNMinusM) {
    // The twiddle recurrence drifts by up to about 2e-4 of the peak at this size.
    const double amplitude = 0.75;
    const double expected = amplitude * kN / 2;
    for (std::size_t m : {std::size_t{1}, std::size_t{100}, std::size_t{12345}}) {
        std::vector<float> re = cosineSignal(kN, m, amplitude);
        std::vector<float> im(kN, 0.0f);
        fftRadix2(re, im);
        EXPECT_NEAR(magnitude(re, im, m), expected, 1e-3 * expected) << "m = " << m;
        EXPECT_NEAR(magnitude(re, im, kN - m), expected, 1e-3 * expected) << "m = " << m;
        float others = 0.0f;
        for (std::size_t k = 0; k < kN; ++k) {
            if (k != m && k != kN - m) {
                others = std::max(others, magnitude(re, im, k));
            }
        }
        EXPECT_LT(others, 5e-4 * expected) << "m = " << m;
    }
}

TEST(FftRadix2, PositiveFrequencyExponentialLandsInBinM) {
    // e^(+2 pi i m j / n) = cos + i sin; the negative exponent of the transform puts it in bin m.
    const std::size_t m = 100;
    std::vector<float> re = cosineSignal(kN, m, 1.0);
    std::vector<float> im = cosineSignal(kN, m, 1.0, -std::numbers::pi / 2);
    fftRadix2(re, im);
    EXPECT_NEAR(magnitude(re, im, m), kN, 1e-3 * kN);
    EXPECT_LT(magnitude(re, im, kN - m), 5e-4 * kN);
}

TEST(FftRadix2, RealInputIsConjugateSymmetric) {
    std::vector<float> re = randomSignal(kN, 7);
    std::vector<float> im(kN, 0.0f);
    fftRadix2(re, im);
    double sumSquares = 0.0;
    double worst = 0.0;
    for (std::size_t k = 1; k < kN; ++k) {
        sumSquares += static_cast<double>(re[k]) * re[k] + static_cast<double>(im[k]) * im[k];
        worst = std::max(worst, std::hypot(static_cast<double>(re[kN - k]) - re[k],
                                           static_cast<double>(im[kN - k]) + im[k]));
    }
    // About three times the asymmetry the twiddle drift leaves at this size.
    const double rms = std::sqrt(sumSquares / kN);
    EXPECT_LT(worst / rms, 2e-3);
    EXPECT_EQ(im[0], 0.0f);
}

// Largest distance of any bin from the double-precision transform, relative to the RMS bin value.
double errorAgainstReference(std::size_t n, unsigned seed) {
    std::vector<float> re = randomSignal(n, seed);
    std::vector<float> im = randomSignal(n, seed + 1000);
    std::vector<double> refRe(re.begin(), re.end());
    std::vector<double> refIm(im.begin(), im.end());
    fftRadix2(re, im);
    referenceDft(refRe, refIm);
    double sumSquares = 0.0;
    double worst = 0.0;
    for (std::size_t k = 0; k < n; ++k) {
        sumSquares += refRe[k] * refRe[k] + refIm[k] * refIm[k];
        worst = std::max(worst, std::hypot(re[k] - refRe[k], im[k] - refIm[k]));
    }
    return worst / std::sqrt(sumSquares / static_cast<double>(n));
}

// The running twiddle factor drifts further from the exact one the longer the group, so the bound
// grows with n. Each bound is about 2.5 times the largest error seen over 20 seeds (2.4e-6, 7.1e-5,
// 9.2e-4); a wrong sign, a missing swap, a skipped stage or a twiddle off by 1e-4 all miss it by
// orders of magnitude.
TEST(FftRadix2, AgreesWithDoublePrecisionWithinTheRecurrenceDrift) {
    struct Case {
        std::size_t n;
        double bound;
    };
    for (const Case& c : {Case{256, 6e-6}, Case{4096, 1.8e-4}, Case{kN, 2.3e-3}}) {
        for (unsigned seed = 1; seed <= 3; ++seed) {
            const double e = errorAgainstReference(c.n, seed);
            EXPECT_LT(e, c.bound) << "n = " << c.n << ", seed " << seed;
        }
    }
}

}  // namespace
