#include "capture/sample_conversion.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <limits>

#include "capture/audio_stream.h"
#include "capture/recording_buffer.h"
#include "tests/standin/script/audio_script.h"

namespace {

SampleLayout layoutOf(WORD tag, WORD bits, const GUID* subFormat = nullptr) {
    const std::vector<BYTE> bytes = standin::mixFormat(tag, 2, 48000, bits, subFormat);
    return sampleLayoutOf(*reinterpret_cast<const WAVEFORMATEX*>(bytes.data()));
}

TEST(SampleLayout, AcceptsExactlyFloat32AndPcm16PlainOrExtensible) {
    EXPECT_EQ(layoutOf(WAVE_FORMAT_IEEE_FLOAT, 32), SampleLayout::float32);
    EXPECT_EQ(layoutOf(WAVE_FORMAT_EXTENSIBLE, 32, &kSubtypeIeeeFloat), SampleLayout::float32);
    EXPECT_EQ(layoutOf(WAVE_FORMAT_PCM, 16), SampleLayout::int16);
    EXPECT_EQ(layoutOf(WAVE_FORMAT_EXTENSIBLE, 16, &kSubtypePcm), SampleLayout::int16);

    EXPECT_EQ(layoutOf(WAVE_FORMAT_PCM, 24), SampleLayout::unsupported);
    EXPECT_EQ(layoutOf(WAVE_FORMAT_PCM, 32), SampleLayout::unsupported);
    EXPECT_EQ(layoutOf(WAVE_FORMAT_IEEE_FLOAT, 64), SampleLayout::unsupported);
    EXPECT_EQ(layoutOf(WAVE_FORMAT_EXTENSIBLE, 32, &kSubtypePcm), SampleLayout::unsupported);
    EXPECT_EQ(layoutOf(WAVE_FORMAT_EXTENSIBLE, 16, &kSubtypeIeeeFloat), SampleLayout::unsupported);
    const GUID other = {0x12345678, 0, 0x10, {0x80, 0, 0, 0xAA, 0, 0x38, 0x9B, 0x71}};
    EXPECT_EQ(layoutOf(WAVE_FORMAT_EXTENSIBLE, 16, &other), SampleLayout::unsupported);
    EXPECT_EQ(layoutOf(0x0055 /* MPEG Layer 3 */, 16), SampleLayout::unsupported);
}

TEST(SampleConversion, FloatIsLimitedScaledAndTruncated) {
    EXPECT_EQ(sampleFromFloat(1.5f), 32767);
    EXPECT_EQ(sampleFromFloat(1.0f), 32767);
    EXPECT_EQ(sampleFromFloat(-1.0f), -32767);
    EXPECT_EQ(sampleFromFloat(-7.0f), -32767);
    EXPECT_EQ(sampleFromFloat(0.99999f), 32766);
    EXPECT_EQ(sampleFromFloat(0.5f), 16383);
    EXPECT_EQ(sampleFromFloat(-0.5f), -16383);
    EXPECT_EQ(sampleFromFloat(0.0f), 0);
    EXPECT_EQ(sampleFromFloat(std::numeric_limits<float>::quiet_NaN()), 0);
    EXPECT_EQ(sampleFromFloat(-std::numeric_limits<float>::quiet_NaN()), 0);
    EXPECT_EQ(sampleFromFloat(std::numeric_limits<float>::infinity()), 32767);
    EXPECT_EQ(sampleFromFloat(-std::numeric_limits<float>::infinity()), -32767);
}

TEST(SampleConversion, ConvertsPacketsAndRecordsSilentOnesAsZeros) {
    const std::vector<float> floats = {0.25f, -1.0f, 2.0f, std::nanf("")};
    std::vector<BYTE> bytes(floats.size() * sizeof(float));
    std::memcpy(bytes.data(), floats.data(), bytes.size());
    EXPECT_EQ(convertPacket(bytes.data(), 4, 1, 1, SampleLayout::float32, false),
              (std::vector<Sample>{8191, -32767, 32767, 0}));
    EXPECT_EQ(convertPacket(bytes.data(), 4, 1, 1, SampleLayout::float32, true),
              (std::vector<Sample>(4, 0)));

    const std::vector<Sample> pcm = {-32768, -1, 0, 32767};
    std::vector<BYTE> pcmBytes(pcm.size() * sizeof(Sample));
    std::memcpy(pcmBytes.data(), pcm.data(), pcmBytes.size());
    EXPECT_EQ(convertPacket(pcmBytes.data(), 4, 1, 1, SampleLayout::int16, false), pcm);
    EXPECT_EQ(convertPacket(pcmBytes.data(), 4, 1, 1, SampleLayout::int16, true),
              (std::vector<Sample>(4, 0)));
    // Two frames of two channels, read as one frame of four, keep the first two of each.
    EXPECT_EQ(convertPacket(pcmBytes.data(), 1, 4, 2, SampleLayout::int16, false),
              (std::vector<Sample>{-32768, -1}));
    EXPECT_EQ(convertPacket(bytes.data(), 2, 2, 1, SampleLayout::float32, false),
              (std::vector<Sample>{8191, 32767}));
    EXPECT_TRUE(convertPacket(nullptr, 0, 6, 2, SampleLayout::float32, false).empty());
}

TEST(ChannelSplit, SeparatesInterleavedFrames) {
    std::vector<Sample> first;
    std::vector<Sample> second;
    splitChannels({1, -1, 2, -2, 3, -3}, 2, first, second);
    EXPECT_EQ(first, (std::vector<Sample>{1, 2, 3}));
    EXPECT_EQ(second, (std::vector<Sample>{-1, -2, -3}));

    first.clear();
    second.clear();
    splitChannels({5, 6, 7}, 1, first, second);
    EXPECT_EQ(first, (std::vector<Sample>{5, 6, 7}));
    EXPECT_TRUE(second.empty());
}

TEST(Level, IsTheScaledRmsAveragedOverChannels) {
    const std::vector<Sample> half = {16384, -16384, 16384, -16384};
    const std::vector<Sample> silence(4, 0);
    EXPECT_EQ(packetLevel(half, {}, 1), 0.5f);
    EXPECT_EQ(packetLevel(silence, half, 2), 0.25f);
    EXPECT_EQ(packetLevel(half, half, 2), 0.5f);
    // Full negative scale gives exactly 1.0; squares are exact in 32 bits.
    EXPECT_EQ(packetLevel({-32768, -32768}, {}, 1), 1.0f);
    EXPECT_NEAR(packetLevel({3, 4}, {}, 1), std::sqrt(12.5f) / 32768.0f, 1e-9f);
}

TEST(RecordingChannels, TwoOrMoreBecomeTwo) {
    EXPECT_EQ(recordingChannels(0), 1u);
    EXPECT_EQ(recordingChannels(1), 1u);
    EXPECT_EQ(recordingChannels(2), 2u);
    EXPECT_EQ(recordingChannels(6), 2u);
}

TEST(RecordingBuffer, GrowsInChunksWithoutMovingAndReleasesOnlyWholeChunksBefore) {
    RecordingBuffer recording;
    std::vector<Sample> packet(960);
    appendToRecording(recording, packet.data(), packet.size());
    const Sample* firstChunk = recording.chunks.front().data();
    std::size_t appended = packet.size();
    while (appended < 3 * kRecordingChunkSamples) {
        std::fill(packet.begin(), packet.end(), static_cast<Sample>(appended / 960));
        appendToRecording(recording, packet.data(), packet.size());
        appended += packet.size();
    }
    EXPECT_EQ(recording.chunks.front().data(), firstChunk);
    EXPECT_EQ(recordedSampleCount(recording), appended);
    std::size_t capacity = 0;
    for (const auto& chunk : recording.chunks) {
        EXPECT_LE(chunk.size(), kRecordingChunkSamples);
        capacity += chunk.capacity();
    }
    EXPECT_EQ(capacity, recording.chunks.size() * kRecordingChunkSamples);
    EXPECT_EQ(recording.chunks.size(), appended / kRecordingChunkSamples + 1);

    // A chunk goes only once every sample in it is before the end given; the numbering stays.
    releaseRecordingBefore(recording, 2 * kRecordingChunkSamples - 1);
    EXPECT_EQ(recording.first, kRecordingChunkSamples);
    releaseRecordingBefore(recording, 2 * kRecordingChunkSamples + 5);
    EXPECT_EQ(recording.first, 2 * kRecordingChunkSamples);
    EXPECT_EQ(recordedSampleCount(recording), appended);
    const std::uint64_t from = 2 * kRecordingChunkSamples + 7;
    const std::span<const Sample> after = samplesAfter(recording, from);
    ASSERT_EQ(after.size(), kRecordingChunkSamples - 7);
    EXPECT_EQ(after.front(), static_cast<Sample>(from / 960));
    EXPECT_TRUE(samplesAfter(recording, appended).empty());
    // The last chunk, not full yet, stays however far the end is.
    releaseRecordingBefore(recording, appended + 1);
    EXPECT_EQ(recordedSampleCount(recording), appended);
    EXPECT_EQ(recording.chunks.size(), 1u);
}

TEST(RecordingBuffer, TimesEachStretchInItsOwnFormat) {
    RecordingBuffer recording;
    // 1 s of 48 kHz stereo, then 44.1 kHz mono.
    recording.formats = {{0, 2, 48000}, {96000, 1, 44100}};
    EXPECT_EQ(tenthsBefore(recording, 96000 + 4410 * 25 + 1), 10u + 25u);
    EXPECT_EQ(formatAt(recording, 95999)->sampleRate, 48000u);
    EXPECT_EQ(formatAt(recording, 96000)->channels, 1u);
}

}  // namespace
