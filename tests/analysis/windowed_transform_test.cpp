// Each route from 16-bit samples to the transform and to the magnitudes against the step-by-step
// analysis: the same bits, whichever vector instructions the route uses.
#include "analysis/windowed_transform.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <functional>
#include <string>
#include <vector>

#include "analysis/analysis_window.h"
#include "analysis/fft/cpu_features.h"
#include "analysis/fft/fft.h"
#include "analysis/fft/stages.h"
#include "analysis/spectrum_peak.h"
#include "analysis/fft/windowed_first_stages.h"
#include "analysis/windowed_samples.h"
#include "tests/analysis/literal_analysis.h"
#include "state/shared_state.h"
#include "tests/analysis/test_signals.h"

namespace {

constexpr std::size_t kN = 65536;

bool sameBits(const std::vector<float>& a, const std::vector<float>& b) {
    return a.size() == b.size() && std::memcmp(a.data(), b.data(), a.size() * sizeof(float)) == 0;
}

using Route = std::function<void(const std::int16_t*, std::size_t, float*, float*)>;

// Every block through `route`, against the step-by-step transform of the windowed block. The
// work arrays start out holding garbage, as a route must not rely on them being cleared.
void expectTransformIdentical(const Route& route, const std::string& name) {
    ensureAnalysisWindow();
    for (const std::vector<std::int16_t>& block : varietyOfBlocks()) {
        const LiteralTransform expected = literalWindowedTransform(block);
        std::vector<float> re(kN, 7.0f);
        std::vector<float> im(kN, -3.0f);
        route(block.data(), block.size(), re.data(), im.data());
        EXPECT_TRUE(sameBits(re, expected.re) && sameBits(im, expected.im))
            << name << ", block of " << block.size() << " samples";
    }
}

using MagnitudeRoute =
    std::function<std::size_t(const std::int16_t*, std::size_t, float*, float*, float*, float&)>;

void expectMagnitudesIdentical(const MagnitudeRoute& route, const std::string& name) {
    ensureAnalysisWindow();
    for (const std::vector<std::int16_t>& block : varietyOfBlocks()) {
        const LiteralTransform transform = literalWindowedTransform(block);
        std::vector<float> expected(kSpectrumLength);
        float expectedMax = kPeakFloor;
        std::size_t expectedPeak = 0;
        for (std::size_t k = 0; k < kSpectrumLength; ++k) {
            expected[k] =
                std::sqrt(transform.re[k] * transform.re[k] + transform.im[k] * transform.im[k]);
            if (expected[k] > expectedMax) {
                expectedMax = expected[k];
                expectedPeak = k;
            }
        }
        std::vector<float> re(kWorkArrayLength, 7.0f);
        std::vector<float> im(kWorkArrayLength, -3.0f);
        std::vector<float> mags(kSpectrumLength, -1.0f);
        float maxMag = 0.0f;
        const std::size_t peak =
            route(block.data(), block.size(), re.data(), im.data(), mags.data(), maxMag);
        EXPECT_TRUE(sameBits(mags, expected)) << name << ", block of " << block.size();
        EXPECT_EQ(peak, expectedPeak) << name << ", block of " << block.size();
        EXPECT_EQ(maxMag, expectedMax) << name << ", block of " << block.size();
    }
}

TEST(WindowedTransform, EveryRouteGivesTheStepByStepBits) {
    expectTransformIdentical(transformWindowedBlock, "chosen route");
    expectTransformIdentical(
        [](const std::int16_t* samples, std::size_t used, float* re, float* im) {
            std::fill(im, im + kN, 0.0f);
            loadWindowedBitReversed(samples, std::min(used, kN), re);
            fftRadix2FromBitReversed(re, im, kN);
        },
        "bit-reversed load");
}

TEST(WindowedTransform, MagnitudesMatchTheStepByStepAnalysis) {
    expectMagnitudesIdentical(
        [](const std::int16_t* samples, std::size_t used, float* re, float* im, float* mags,
           float& maxMag) {
            return windowedMagnitudesAndPeak(samples, std::min(used, kN), re, im, mags, maxMag);
        },
        "chosen route");
    expectMagnitudesIdentical(
        [](const std::int16_t* samples, std::size_t used, float* re, float* im, float* mags,
           float& maxMag) {
            transformWindowedBlock(samples, std::min(used, kN), re, im);
            return magnitudesAndPeak(re, im, mags, maxMag);
        },
        "complete transform");
#if defined(VOXWELL_SSE2)
    expectMagnitudesIdentical(
        [](const std::int16_t* samples, std::size_t used, float* re, float* im, float* mags,
           float& maxMag) {
            std::fill(im, im + kN, 0.0f);
            loadWindowedBitReversed(samples, std::min(used, kN), re);
            maxMag = fftStagesAndMagnitudesSse2(re, im, mags, kPeakFloor);
            return peakBin(mags, maxMag);
        },
        "SSE2 stages fused with the magnitudes");
    if (!cpuSupportsAvx2()) {
        GTEST_SKIP() << "this processor has no AVX2";
    }
    // Chosen only where AVX-512 is missing, so tried here on every processor that can run it.
    expectMagnitudesIdentical(
        [](const std::int16_t* samples, std::size_t used, float* re, float* im, float* mags,
           float& maxMag) {
            maxMag = laneTransformMagnitudesAvx2(samples, std::min(used, kN), g_fftWork.data(), re,
                                                 im, mags, kPeakFloor);
            return peakBin(mags, maxMag);
        },
        "AVX2 route, a transform in every lane");
#endif
}

}  // namespace
