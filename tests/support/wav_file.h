// Reading back a WAV file the program wrote.
#pragma once

#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

namespace testing_support {

std::vector<unsigned char> readBytes(const std::filesystem::path& path);

struct WavContents {
    std::uint32_t riffSize = 0;
    std::uint16_t formatTag = 0;
    std::uint16_t channels = 0;
    std::uint32_t sampleRate = 0;
    std::uint32_t byteRate = 0;
    std::uint16_t blockAlign = 0;
    std::uint16_t bitsPerSample = 0;
    std::uint32_t dataSize = 0;
    std::vector<std::int16_t> samples;
};

// Parses the 44-byte header and the samples; fails the calling test when the layout is not the
// plain PCM one.
WavContents readWav(const std::filesystem::path& path);

// A fresh empty directory under the system's temporary directory, removed by the caller.
std::filesystem::path freshDirectory(const std::string& name);

}  // namespace testing_support
