#include "tests/support/wav_file.h"

#include <gtest/gtest.h>

#include <fstream>
#include <iterator>
#include <unistd.h>

namespace testing_support {

std::vector<unsigned char> readBytes(const std::filesystem::path& path) {
    std::ifstream in(path, std::ios::binary);
    return std::vector<unsigned char>(std::istreambuf_iterator<char>(in), {});
}

WavFile readWav(const std::filesystem::path& path) {
    WavFile wav;
    std::string error;
    if (!readWavFile(path, wav, error)) {
        ADD_FAILURE() << error;
        return wav;
    }
    EXPECT_EQ(wav.riffId, "RIFF");
    EXPECT_EQ(wav.waveId, "WAVE");
    EXPECT_EQ(wav.fmtId, "fmt ");
    EXPECT_EQ(wav.fmtSize, 16u);
    EXPECT_EQ(wav.dataId, "data");
    EXPECT_EQ(wav.fileSize, 44u + wav.dataSize) << "file length disagrees with the data size";
    EXPECT_EQ(wav.riffSize, wav.dataSize + 36u);
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
