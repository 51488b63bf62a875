// Reading back, inside a GoogleTest test, a WAV file the program wrote.
#pragma once

#include <filesystem>
#include <string>
#include <vector>

#include "tests/support/wav_reader.h"

namespace testing_support {

std::vector<unsigned char> readBytes(const std::filesystem::path& path);

// The header fields and the samples; fails the calling test when the file is shorter than a
// header or its layout is not the plain 44-byte PCM one with sizes that agree with its length.
WavFile readWav(const std::filesystem::path& path);

// A fresh empty directory under the system's temporary directory, removed by the caller.
std::filesystem::path freshDirectory(const std::string& name);

}  // namespace testing_support
