#include "capture/wav_writer.h"

#include <bit>
#include <cstring>
#include <filesystem>
#include <limits>

static_assert(std::endian::native == std::endian::little,
              "samples are written as they lie in memory");

namespace {

constexpr std::uint16_t kPcmFormat = 1;
constexpr std::uint16_t kBitsPerSample = 16;
constexpr std::uint32_t kFormatChunkSize = 16;
// The RIFF chunk holds "WAVE", the format chunk (8 + 16 bytes) and the data chunk's 8-byte head.
constexpr std::uint32_t kRiffOverhead = 4 + 8 + kFormatChunkSize + 8;

// Each writes one field at `at`, little-endian, and returns where the next one goes.
unsigned char* putTag(unsigned char* at, const char (&fourCc)[5]) {
    std::memcpy(at, fourCc, 4);
    return at + 4;
}

unsigned char* put16(unsigned char* at, std::uint32_t value) {
    at[0] = static_cast<unsigned char>(value & 0xFF);
    at[1] = static_cast<unsigned char>((value >> 8) & 0xFF);
    return at + 2;
}

unsigned char* put32(unsigned char* at, std::uint32_t value) {
    return put16(put16(at, value & 0xFFFF), value >> 16);
}

}  // namespace

std::uint64_t maxWavFrames(unsigned channels) {
    constexpr std::uint64_t maxDataBytes =
        std::numeric_limits<std::uint32_t>::max() - kRiffOverhead;
    return maxDataBytes / (sizeof(Sample) * channels);
}

std::array<unsigned char, kWavHeaderSize> wavHeader(std::uint64_t sampleCount,
                                                    std::uint16_t channels,
                                                    std::uint32_t sampleRate) {
    const auto dataChunkSize = static_cast<std::uint32_t>(sizeof(Sample) * sampleCount);
    const std::uint32_t riffChunkSize = dataChunkSize + kRiffOverhead;
    const auto blockAlign = static_cast<std::uint32_t>(channels * sizeof(Sample));
    const std::uint32_t byteRate = sampleRate * blockAlign;

    std::array<unsigned char, kWavHeaderSize> header{};
    unsigned char* at = header.data();
    at = putTag(at, "RIFF");
    at = put32(at, riffChunkSize);
    at = putTag(at, "WAVE");
    at = putTag(at, "fmt ");
    at = put32(at, kFormatChunkSize);
    at = put16(at, kPcmFormat);
    at = put16(at, channels);
    at = put32(at, sampleRate);
    at = put32(at, byteRate);
    at = put16(at, blockAlign);
    at = put16(at, kBitsPerSample);
    at = putTag(at, "data");
    put32(at, dataChunkSize);
    return header;
}

bool openWavFile(std::ofstream& stream, const std::string& utf8Path) {
    // Through a path built from UTF-8, so that on Windows the file is opened by its wide name and
    // never through the ANSI code page.
    const std::filesystem::path path(std::u8string(utf8Path.begin(), utf8Path.end()));
    stream.open(path, std::ios::out | std::ios::binary | std::ios::trunc);
    return stream.is_open();
}

bool writeWavFile(std::ofstream& stream, const RecordingBuffer& recording, std::uint16_t channels,
                  std::uint32_t sampleRate) {
    const std::uint64_t sampleCount = recordedSampleCount(recording);
    if (channels == 0 || sampleCount > maxWavFrames(channels) * channels) {
        return false;
    }
    const auto header = wavHeader(sampleCount, channels, sampleRate);
    stream.write(reinterpret_cast<const char*>(header.data()), header.size());
    for (const std::vector<Sample>& chunk : recording) {
        stream.write(reinterpret_cast<const char*>(chunk.data()),
                     static_cast<std::streamsize>(chunk.size() * sizeof(Sample)));
    }
    return stream.good();
}

bool closeWavFile(std::ofstream& stream) {
    stream.flush();
    const bool flushed = stream.good();
    stream.close();
    return flushed && !stream.fail();
}
