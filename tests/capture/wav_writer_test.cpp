#include "capture/wav_writer.h"

#include <gtest/gtest.h>

#include <fstream>

#include "tests/support/wav_file.h"

namespace {

using testing_support::freshDirectory;
using testing_support::readBytes;
using testing_support::readWav;

TEST(WavHeader, EmptyMonoRecordingIsTheExactFortyFourBytes) {
    const std::array<unsigned char, 44> expected = {
        0x52, 0x49, 0x46, 0x46, 0x24, 0x00, 0x00, 0x00, 0x57, 0x41, 0x56, 0x45, 0x66, 0x6D, 0x74,
        0x20, 0x10, 0x00, 0x00, 0x00, 0x01, 0x00, 0x01, 0x00, 0x44, 0xAC, 0x00, 0x00, 0x88, 0x58,
        0x01, 0x00, 0x02, 0x00, 0x10, 0x00, 0x64, 0x61, 0x74, 0x61, 0x00, 0x00, 0x00, 0x00};
    EXPECT_EQ(wavHeader(0, 1, 44100), expected);
}

TEST(WavHeader, OneSecondOfStereoAt48kHz) {
    const auto header = wavHeader(96000, 2, 48000);
    EXPECT_EQ(header[4] | header[5] << 8 | header[6] << 16, 192036);
    EXPECT_EQ(header[22], 2);
    EXPECT_EQ(header[28] | header[29] << 8 | header[30] << 16, 192000);
    EXPECT_EQ(header[32], 4);
    EXPECT_EQ(header[24] | header[25] << 8 | header[26] << 16, 48000);
    EXPECT_EQ(header[40] | header[41] << 8 | header[42] << 16, 192000);
}

TEST(WavHeader, LargestRecordingsStillFitTheSizeFields) {
    for (unsigned channels : {1u, 2u}) {
        const std::uint64_t samples = maxWavFrames(channels) * channels;
        const auto header = wavHeader(samples, static_cast<std::uint16_t>(channels), 48000);
        const std::uint64_t riff = std::uint64_t{header[4]} | std::uint64_t{header[5]} << 8 |
                                   std::uint64_t{header[6]} << 16 | std::uint64_t{header[7]} << 24;
        const std::uint64_t data = std::uint64_t{header[40]} | std::uint64_t{header[41]} << 8 |
                                   std::uint64_t{header[42]} << 16 |
                                   std::uint64_t{header[43]} << 24;
        EXPECT_EQ(data, 2 * samples) << channels;
        EXPECT_EQ(riff, data + 36) << channels;
        // One more frame would no longer fit.
        EXPECT_GT(2 * (samples + channels) + 36, std::uint64_t{0xFFFFFFFF}) << channels;
    }
    EXPECT_EQ(maxWavFrames(1), 2147483629u);
    EXPECT_EQ(maxWavFrames(2), 1073741814u);
}

TEST(WavFile, WritesHeaderAndEverySampleAcrossChunks) {
    RecordingBuffer recording;
    std::vector<Sample> samples(kRecordingChunkSamples * 2 + 1234);
    for (std::size_t i = 0; i < samples.size(); ++i) {
        samples[i] = static_cast<Sample>(i * 7919);
    }
    appendToRecording(recording, samples.data(), 1000);
    appendToRecording(recording, samples.data() + 1000, samples.size() - 1000);
    ASSERT_EQ(recordedSampleCount(recording), samples.size());

    const auto dir = freshDirectory("wav-file");
    const HANDLE file = openWavFile((dir / "out.wav").string());
    ASSERT_NE(file, INVALID_HANDLE_VALUE);
    EXPECT_TRUE(writeWavFile(file, recording, 2, 44100));
    EXPECT_TRUE(closeWavFile(file));
    const auto wav = readWav(dir / "out.wav");
    EXPECT_EQ(wav.channels, 2);
    EXPECT_EQ(wav.sampleRate, 44100u);
    EXPECT_EQ(wav.byteRate, 176400u);
    EXPECT_EQ(wav.blockAlign, 4);
    EXPECT_EQ(wav.bitsPerSample, 16);
    EXPECT_EQ(wav.formatTag, 1);
    EXPECT_EQ(wav.samples, samples);
    std::filesystem::remove_all(dir);
}

TEST(WavFile, OpeningTruncatesAnExistingFileAtOnce) {
    const auto dir = freshDirectory("wav-truncate");
    const auto path = dir / "old.wav";
    std::ofstream(path) << "an older recording";
    const HANDLE file = openWavFile(path.string());
    ASSERT_NE(file, INVALID_HANDLE_VALUE);
    EXPECT_EQ(std::filesystem::file_size(path), 0u);
    EXPECT_TRUE(closeWavFile(file));
    std::filesystem::remove_all(dir);
}

TEST(WavFile, ReportsWhatCannotBeOpenedOrWritten) {
    const auto dir = freshDirectory("wav-fail");
    EXPECT_EQ(openWavFile((dir / "no such folder" / "x.wav").string()), INVALID_HANDLE_VALUE);
    EXPECT_EQ(openWavFile(dir.string()), INVALID_HANDLE_VALUE);

    // /dev/full accepts the open and fails the writes, like a full disk.
    RecordingBuffer recording;
    const std::vector<Sample> second(48000, 1);
    appendToRecording(recording, second.data(), second.size());
    const HANDLE full = openWavFile("/dev/full");
    ASSERT_NE(full, INVALID_HANDLE_VALUE);
    EXPECT_FALSE(writeWavFile(full, recording, 1, 48000));
    EXPECT_TRUE(closeWavFile(full));
    std::filesystem::remove_all(dir);
}

TEST(WavFile, OpensNamesOutsideAscii) {
    const auto dir = freshDirectory("wav-names");
    // "Aufnahme-é-日本-🎵.wav" as UTF-8.
    const std::string name = "Aufnahme-\xC3\xA9-\xE6\x97\xA5\xE6\x9C\xAC-\xF0\x9F\x8E\xB5.wav";
    const HANDLE file = openWavFile(dir.string() + "/" + name);
    ASSERT_NE(file, INVALID_HANDLE_VALUE);
    EXPECT_TRUE(writeWavFile(file, {}, 1, 8000));
    EXPECT_TRUE(closeWavFile(file));
    EXPECT_EQ(readBytes(dir / name).size(), 44u);
    std::filesystem::remove_all(dir);
}

}  // namespace
