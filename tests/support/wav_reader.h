// Reads a recorded WAV file back field by field, without trusting its header: every field is
// reported as found so that the caller can compare it with what the recording should have been.
#pragma once

#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

struct WavFile {
    std::uintmax_t fileSize = 0;
    std::string riffId;
    std::uint32_t riffSize = 0;
    std::string waveId;
    std::string fmtId;
    std::uint32_t fmtSize = 0;
    std::uint16_t formatTag = 0;
    std::uint16_t channels = 0;
    std::uint32_t sampleRate = 0;
    std::uint32_t byteRate = 0;
    std::uint16_t blockAlign = 0;
    std::uint16_t bitsPerSample = 0;
    std::string dataId;
    std::uint32_t dataSize = 0;
    std::vector<std::int16_t> samples;  // everything after the 44-byte header
};

// False, with a reason, when the file cannot be read or is shorter than a header.
bool readWavFile(const std::filesystem::path& path, WavFile& wav, std::string& error);

// Every way the file differs from a 16-bit PCM recording of the given layout; empty when none.
std::vector<std::string> wavHeaderProblems(const WavFile& wav, unsigned channels,
                                           std::uint32_t sampleRate);
