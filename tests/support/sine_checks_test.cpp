#include "tests/support/sine_checks.h"

#include <gtest/gtest.h>

#include <cmath>
#include <numbers>

namespace {

// A sine quantised the way the capture thread converts float input: scaled and truncated.
std::vector<double> capturedSine(double frequency, double rate, std::size_t count,
                                 double amplitude = 0.5) {
    std::vector<double> x(count);
    for (std::size_t n = 0; n < count; ++n) {
        const double value = amplitude * std::sin(2.0 * std::numbers::pi * frequency *
                                                  static_cast<double>(n) / rate);
        x[n] = std::trunc(static_cast<float>(value) * 32767.0f);
    }
    return x;
}

TEST(SineChecks, CleanCapturedSinePassesEveryCheck) {
    const std::vector<double> x = capturedSine(440.0, 48000.0, 48000);
    EXPECT_NEAR(sineFrequency(x, 48000.0), 440.0, 0.01);
    EXPECT_NEAR(smallestWindowPeak(x, 111), 16383.0, 8.0);  // windows just over a period
    EXPECT_NEAR(largestMagnitude(x), 16383.0, 1.0);
    const ContinuityResult result = sineContinuity(x, 440.0, 48000.0, 4.5);
    EXPECT_EQ(result.breaks, 0u);
    EXPECT_LT(result.largestResidual, 4.0);
}

TEST(SineChecks, DroppedPacketBreaksContinuityWhereItHappened) {
    std::vector<double> x = capturedSine(440.0, 48000.0, 48000);
    x.erase(x.begin() + 20000, x.begin() + 20480);
    const ContinuityResult result = sineContinuity(x, 440.0, 48000.0, 4.5);
    EXPECT_GT(result.breaks, 0u);
    EXPECT_EQ(result.firstBreak, 20000u);
    EXPECT_GT(result.largestResidual, 1000.0);
}

TEST(SineChecks, RepeatedPacketBreaksContinuity) {
    std::vector<double> x = capturedSine(997.0, 44100.0, 44100);
    const std::vector<double> packet(x.begin() + 10000, x.begin() + 10441);
    x.insert(x.begin() + 10441, packet.begin(), packet.end());
    const ContinuityResult result = sineContinuity(x, 997.0, 44100.0, 4.5);
    EXPECT_GT(result.breaks, 0u);
    EXPECT_EQ(result.firstBreak, 10441u);
}

TEST(SineChecks, SilentStretchShowsAsLowWindowPeak) {
    std::vector<double> x = capturedSine(440.0, 48000.0, 48000);
    std::fill(x.begin() + 30000, x.begin() + 30480, 0.0);
    EXPECT_EQ(smallestWindowPeak(x, 111), 0.0);
    EXPECT_GT(sineContinuity(x, 440.0, 48000.0, 4.5).breaks, 0u);
}

TEST(SineChecks, FrequencyOneHertzOffIsMeasured) {
    EXPECT_NEAR(sineFrequency(capturedSine(441.0, 48000.0, 48000), 48000.0), 441.0, 0.01);
}

TEST(SineChecks, ChannelsAreTakenFromInterleavedFrames) {
    const std::vector<std::int16_t> frames = {1, -1, 2, -2, 3, -3};
    EXPECT_EQ(channelOf(frames, 2, 0), (std::vector<double>{1, 2, 3}));
    EXPECT_EQ(channelOf(frames, 2, 1), (std::vector<double>{-1, -2, -3}));
    EXPECT_EQ(channelOf(frames, 1, 0).size(), 6u);
}

TEST(SineChecks, TooFewCrossingsGiveNoFrequency) {
    EXPECT_EQ(sineFrequency({-1.0, 1.0, 1.0}, 48000.0), 0.0);
    EXPECT_EQ(smallestWindowPeak({1.0, 2.0}, 480), 0.0);
}

}  // namespace
