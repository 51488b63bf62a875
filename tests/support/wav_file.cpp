#include "support/wav_file.h"

#include <gtest/gtest.h>

#include <cstring>
#include <fstream>
#include <iterator>
#include <unistd.h>

namespace testing_support {
namespace {

std::uint32_t le32(const unsigned char* at) {
    return std::uint32_t{at[0]} | (std::uint32_t{at[1]} << 8) | (std::uint32_t{at[2]} << 16) |
           (std::uint32_t{at[3]} << 24);
}

std::uint16_t le16(const unsigned char* at) {
    return static_cast<std::uint16_t>(at[0] | (at[1] << 8));
}

}  // namespace

std::vector<unsigned char> readBytes(const std::filesystem::path& path) {
    std::ifstream in(path, std::ios::binary);
    return std::vector<unsigned char>(std::istreambuf_iterator<char>(in), {});
}

WavContents readWav(const std::filesystem::path& path) {
    const std::vector<unsigned char> bytes = readBytes(path);
    WavContents wav;
    EXPECT_GE(bytes.size(), 44u) << path;
    if (bytes.size() < 44) {
        return wav;
    }
    const unsigned char* h = bytes.data();
    EXPECT_EQ(std::memcmp(h, "RIFF", 4), 0);
    EXPECT_EQ(std::memcmp(h + 8, "WAVEfmt ", 8), 0);
    EXPECT_EQ(le32(h + 16), 16u);
    EXPECT_EQ(std::memcmp(h + 36, "data", 4), 0);
    wav.riffSize = le32(h + 4);
    wav.formatTag = le16(h + 20);
    wav.channels = le16(h + 22);
    wav.sampleRate = le32(h + 24);
    wav.byteRate = le32(h + 28);
    wav.blockAlign = le16(h + 32);
    wav.bitsPerSample = le16(h + 34);
    wav.dataSize = le32(h + 40);
    EXPECT_EQ(bytes.size(), 44u + wav.dataSize) << "file length disagrees with the data size";
    EXPECT_EQ(wav.riffSize, wav.dataSize + 36u);
    const std::size_t count = (bytes.size() - 44) / 2;
    wav.samples.resize(count);
    if (count > 0) {
        std::memcpy(wav.samples.data(), h + 44, count * 2);
    }
    return wav;
}

std::filesystem::path freshDirectory(const std::string& name) {
    const auto dir = std::filesystem::temp_directory_path() /
                     ("voxwell-" + name + "-" + std::to_string(::getpid()));
    std::filesystem::remove_all(dir);
    std::filesystem::create_directories(dir);
    return dir;
}

}  // namespace testing_support
