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

// Every write is a header or at most one chunk of the recording, well within the 32-bit size a
// write takes.
static_assert(kRecordingChunkSamples * sizeof(Sample) <= 0xFFFFFFFF);

bool writeAt(HANDLE file, std::uint64_t offset, const void* data, std::size_t size) {
    OVERLAPPED at{};
    at.Offset = static_cast<DWORD>(offset & 0xFFFFFFFF);
    at.OffsetHigh = static_cast<DWORD>(offset >> 32);
    DWORD written = 0;
    return WriteFile(file, data, static_cast<DWORD>(size), &written, &at) != FALSE &&
           written == size;
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

HANDLE openWavFile(const std::string& utf8Path) {
    // Through a path built from UTF-8, so that on Windows the file is opened by its wide name and
    // never through the ANSI code page. Readers may open it while it records; no other writer may,
    // nor truncate it (another copy of the program choosing the same file).
    const std::filesystem::path path(std::u8string(utf8Path.begin(), utf8Path.end()));
    return CreateFileW(path.c_str(), GENERIC_WRITE, FILE_SHARE_READ, nullptr, CREATE_ALWAYS,
                       FILE_ATTRIBUTE_NORMAL, nullptr);
}

bool writeWavHeader(HANDLE file, std::uint64_t sampleCount, std::uint16_t channels,
                    std::uint32_t sampleRate) {
    const auto header = wavHeader(sampleCount, channels, sampleRate);
    return writeAt(file, 0, header.data(), header.size());
}

bool writeWavSamples(HANDLE file, std::uint64_t before, const Sample* samples, std::size_t count) {
    return writeAt(file, kWavHeaderSize + before * sizeof(Sample), samples, count * sizeof(Sample));
}

bool writeWavFile(HANDLE file, const RecordingBuffer& recording, std::uint16_t channels,
                  std::uint32_t sampleRate) {
    const std::uint64_t sampleCount = recordedSampleCount(recording);
    if (channels == 0 || sampleCount > maxWavFrames(channels) * channels) {
        return false;
    }
    if (!writeWavHeader(file, sampleCount, channels, sampleRate)) {
        return false;
    }
    std::uint64_t before = 0;
    for (const std::vector<Sample>& chunk : recording) {
        if (!writeWavSamples(file, before, chunk.data(), chunk.size())) {
            return false;
        }
        before += chunk.size();
    }
    return true;
}

bool flushWavFile(HANDLE file) {
    return FlushFileBuffers(file) != FALSE;
}

bool closeWavFile(HANDLE file) {
    return CloseHandle(file) != FALSE;
}
