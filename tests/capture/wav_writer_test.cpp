#include "capture/wav_writer.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <fstream>

#include "capture/wav_files.h"
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

TEST(WavHeader, LargestRecordingsFitFat32AndTheSizeFields) {
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
        // The file is at most 4 GiB - 1 bytes, and one more frame would not fit.
        EXPECT_LE(44 + data, std::uint64_t{0xFFFFFFFF}) << channels;
        EXPECT_GT(44 + data + 2 * channels, std::uint64_t{0xFFFFFFFF}) << channels;
    }
    EXPECT_EQ(maxWavFrames(1), 2147483625u);
    EXPECT_EQ(maxWavFrames(2), 1073741812u);
}

TEST(WavFileNames, NextFilesPutTheirNumberBeforeTheExtension) {
    EXPECT_EQ(numberedFileName(std::string("take.wav"), 1), "take.wav");
    EXPECT_EQ(numberedFileName(std::string("C:\\rec\\take.wav"), 2), "C:\\rec\\take (2).wav");
    EXPECT_EQ(numberedFileName(std::string("/tmp/a.b/take"), 3), "/tmp/a.b/take (3)");
    EXPECT_EQ(numberedFileName(std::string("D:\\v1.2\\take.x.wav"), 12),
              "D:\\v1.2\\take.x (12).wav");
    EXPECT_EQ(numberedFileName(std::wstring(L"C:\\rec\\Aufnahme \u00fc.wav"), 2),
              L"C:\\rec\\Aufnahme \u00fc (2).wav");
}

// Writes the samples through the files that begin in `path`, in pieces of `piece` samples.
bool writeAll(const std::filesystem::path& path, const std::vector<Sample>& samples,
              std::uint16_t channels, std::size_t piece) {
    WavFiles files;
    files.firstPath = path.string();
    files.channels = channels;
    files.sampleRate = 44100;
    const HANDLE file = openWavFile(path.string(), WavOpen::replace);
    if (file == INVALID_HANDLE_VALUE || !beginWavFiles(files, file, 0)) {
        return false;
    }
    for (std::size_t at = 0; at < samples.size(); at += piece) {
        if (!appendToWavFiles(files, samples.data() + at, std::min(piece, samples.size() - at))) {
            break;
        }
    }
    if (finishWavFiles(files)) {
        return true;
    }
    closeWavFile(files.file);
    return false;
}

TEST(WavFile, WritesHeaderAndEverySample) {
    std::vector<Sample> samples(kRecordingChunkSamples * 2 + 1234);
    for (std::size_t i = 0; i < samples.size(); ++i) {
        samples[i] = static_cast<Sample>(i * 7919);
    }
    const auto dir = freshDirectory("wav-file");
    ASSERT_TRUE(writeAll(dir / "out.wav", samples, 2, kRecordingChunkSamples));
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

TEST(WavFile, OpensForReplacingAsItIsAndForNewFilesOnlyKeepingOtherWritersOut) {
    const auto dir = freshDirectory("wav-open");
    const auto path = dir / "old.wav";
    const auto write = [&path](const char* text) { std::ofstream(path) << text; };

    write("an older recording");
    HANDLE file = openWavFile(path.string(), WavOpen::replace);
    ASSERT_NE(file, INVALID_HANDLE_VALUE);
    EXPECT_EQ(std::filesystem::file_size(path), 0u) << "emptied at once";
    EXPECT_TRUE(closeWavFile(file));

    write("an older recording");
    file = openWavFile(path.string(), WavOpen::existing);
    ASSERT_NE(file, INVALID_HANDLE_VALUE);
    EXPECT_EQ(std::filesystem::file_size(path), 18u) << "kept until written over";
    // While it is open for writing, no other writer gets it, under any of its names; readers do.
    const std::string otherName = (dir / "." / "old.wav").string();
    EXPECT_EQ(openWavFile(otherName, WavOpen::existing), INVALID_HANDLE_VALUE);
    EXPECT_EQ(openWavFile(otherName, WavOpen::replace), INVALID_HANDLE_VALUE);
    EXPECT_EQ(std::filesystem::file_size(path), 18u);
    const HANDLE reader = openWavFile(otherName, WavOpen::read);
    ASSERT_NE(reader, INVALID_HANDLE_VALUE);
    EXPECT_TRUE(sameFile(file, reader));
    EXPECT_TRUE(endWavFile(file, 0));
    EXPECT_EQ(std::filesystem::file_size(path), 44u);
    EXPECT_TRUE(closeWavFile(file));

    EXPECT_EQ(openWavFile(path.string(), WavOpen::createNew), INVALID_HANDLE_VALUE);
    EXPECT_TRUE(wavFileExisted());
    const HANDLE other = openWavFile((dir / "other.wav").string(), WavOpen::createNew);
    ASSERT_NE(other, INVALID_HANDLE_VALUE);
    EXPECT_FALSE(sameFile(reader, other));
    EXPECT_TRUE(closeWavFile(other));
    EXPECT_TRUE(closeWavFile(reader));
    EXPECT_FALSE(sameFile(reader, reader)) << "a closed handle names no file";
    EXPECT_EQ(openWavFile((dir / "no such folder" / "x.wav").string(), WavOpen::createNew),
              INVALID_HANDLE_VALUE);
    EXPECT_FALSE(wavFileExisted());
    std::filesystem::remove_all(dir);
}

TEST(WavFile, ReportsWhatCannotBeOpenedWrittenOrRead) {
    const auto dir = freshDirectory("wav-fail");
    EXPECT_EQ(openWavFile((dir / "no such folder" / "x.wav").string(), WavOpen::replace),
              INVALID_HANDLE_VALUE);
    EXPECT_EQ(openWavFile(dir.string(), WavOpen::replace), INVALID_HANDLE_VALUE);
    EXPECT_EQ(openWavFile((dir / "missing.wav").string(), WavOpen::read), INVALID_HANDLE_VALUE);

    // /dev/full accepts the open and fails the writes, like a full disk.
    EXPECT_FALSE(writeAll("/dev/full", std::vector<Sample>(48000, 1), 1, 4800));

    // A read beyond what the file holds is no read.
    ASSERT_TRUE(writeAll(dir / "short.wav", std::vector<Sample>(100, 3), 1, 100));
    const HANDLE file = openWavFile((dir / "short.wav").string(), WavOpen::read);
    ASSERT_NE(file, INVALID_HANDLE_VALUE);
    std::vector<Sample> read(100);
    EXPECT_TRUE(readWavSamples(file, 0, read.data(), 100));
    EXPECT_EQ(read, std::vector<Sample>(100, 3));
    EXPECT_FALSE(readWavSamples(file, 50, read.data(), 51));
    EXPECT_TRUE(closeWavFile(file));
    std::filesystem::remove_all(dir);
}

TEST(WavFile, OpensNamesOutsideAscii) {
    const auto dir = freshDirectory("wav-names");
    // "Aufnahme-é-日本-🎵.wav" as UTF-8.
    const std::string name = "Aufnahme-\xC3\xA9-\xE6\x97\xA5\xE6\x9C\xAC-\xF0\x9F\x8E\xB5.wav";
    ASSERT_TRUE(writeAll(dir.string() + "/" + name, {}, 1, 1));
    EXPECT_EQ(readBytes(dir / name).size(), 44u);
    std::filesystem::remove_all(dir);
}

}  // namespace
