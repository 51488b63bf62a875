#include "tests/support/wav_reader.h"

#include <fstream>
#include <iterator>
#include <sstream>

namespace {

constexpr std::size_t kHeaderSize = 44;

std::uint32_t le(const std::vector<unsigned char>& bytes, std::size_t at, int width) {
    std::uint32_t value = 0;
    for (int i = width - 1; i >= 0; --i) {
        value = value << 8 | bytes[at + static_cast<std::size_t>(i)];
    }
    return value;
}

std::string text(const std::vector<unsigned char>& bytes, std::size_t at) {
    return std::string(bytes.begin() + static_cast<std::ptrdiff_t>(at),
                       bytes.begin() + static_cast<std::ptrdiff_t>(at + 4));
}

template <typename T>
void expectField(std::vector<std::string>& problems, const char* name, const T& found,
                 const T& expected) {
    if (found != expected) {
        std::ostringstream out;
        out << name << " is " << found << ", expected " << expected;
        problems.push_back(out.str());
    }
}

}  // namespace

bool readWavFile(const std::filesystem::path& path, WavFile& wav, std::string& error) {
    std::ifstream in(path, std::ios::binary);
    if (!in) {
        error = "cannot open " + path.string();
        return false;
    }
    const std::vector<unsigned char> bytes{std::istreambuf_iterator<char>(in),
                                           std::istreambuf_iterator<char>()};
    wav.fileSize = bytes.size();
    if (bytes.size() < kHeaderSize) {
        error = "file has " + std::to_string(bytes.size()) + " bytes, less than a header";
        return false;
    }
    wav.riffId = text(bytes, 0);
    wav.riffSize = le(bytes, 4, 4);
    wav.waveId = text(bytes, 8);
    wav.fmtId = text(bytes, 12);
    wav.fmtSize = le(bytes, 16, 4);
    wav.formatTag = static_cast<std::uint16_t>(le(bytes, 20, 2));
    wav.channels = static_cast<std::uint16_t>(le(bytes, 22, 2));
    wav.sampleRate = le(bytes, 24, 4);
    wav.byteRate = le(bytes, 28, 4);
    wav.blockAlign = static_cast<std::uint16_t>(le(bytes, 32, 2));
    wav.bitsPerSample = static_cast<std::uint16_t>(le(bytes, 34, 2));
    wav.dataId = text(bytes, 36);
    wav.dataSize = le(bytes, 40, 4);
    wav.samples.clear();
    for (std::size_t at = kHeaderSize; at + 1 < bytes.size(); at += 2) {
        wav.samples.push_back(static_cast<std::int16_t>(le(bytes, at, 2)));
    }
    return true;
}

std::vector<std::string> wavHeaderProblems(const WavFile& wav, unsigned channels,
                                           std::uint32_t sampleRate) {
    std::vector<std::string> problems;
    const std::uintmax_t dataBytes = wav.fileSize - kHeaderSize;
    expectField(problems, "RIFF id", wav.riffId, std::string("RIFF"));
    expectField(problems, "RIFF size", std::uintmax_t{wav.riffSize}, dataBytes + 36);
    expectField(problems, "form type", wav.waveId, std::string("WAVE"));
    expectField(problems, "format chunk id", wav.fmtId, std::string("fmt "));
    expectField(problems, "format chunk size", wav.fmtSize, std::uint32_t{16});
    expectField(problems, "format tag", wav.formatTag, std::uint16_t{1});
    expectField(problems, "channels", unsigned{wav.channels}, channels);
    expectField(problems, "sample rate", wav.sampleRate, sampleRate);
    expectField(problems, "byte rate", wav.byteRate, sampleRate * channels * 2);
    expectField(problems, "block align", unsigned{wav.blockAlign}, channels * 2);
    expectField(problems, "bits per sample", wav.bitsPerSample, std::uint16_t{16});
    expectField(problems, "data chunk id", wav.dataId, std::string("data"));
    expectField(problems, "data size", std::uintmax_t{wav.dataSize}, dataBytes);
    if (dataBytes % (channels * 2) != 0) {
        problems.push_back("data holds a partial frame: " + std::to_string(dataBytes) + " bytes");
    }
    return problems;
}
