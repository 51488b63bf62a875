#include "capture/wav_writer.h"

#include <algorithm>
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

// Every write or read is a header or at most one chunk of the recording, well within the 32-bit
// size a call takes.
static_assert(kRecordingChunkSamples * sizeof(Sample) <= 0xFFFFFFFF);

OVERLAPPED at(std::uint64_t offset) {
    OVERLAPPED place{};
    place.Offset = static_cast<DWORD>(offset & 0xFFFFFFFF);
    place.OffsetHigh = static_cast<DWORD>(offset >> 32);
    return place;
}

bool writeAt(HANDLE file, std::uint64_t offset, const void* data, std::size_t size) {
    OVERLAPPED place = at(offset);
    DWORD written = 0;
    return WriteFile(file, data, static_cast<DWORD>(size), &written, &place) != FALSE &&
           written == size;
}

std::uint64_t dataOffset(std::uint64_t samplesBefore) {
    return kWavHeaderSize + samplesBefore * sizeof(Sample);
}

}  // namespace

std::uint64_t maxWavFrames(unsigned channels) {
    static_assert(kRiffOverhead < kWavHeaderSize, "a file that fits describes its RIFF chunk");
    const std::uint64_t maxDataBytes =
        std::min<std::uint64_t>(kLargestFileBytes, std::numeric_limits<std::uint32_t>::max()) -
        kWavHeaderSize;
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

HANDLE openWavFile(const std::string& utf8Path, WavOpen how) {
    // Through a path built from UTF-8, so that on Windows the file is opened by its wide name and
    // never through the ANSI code page.
    const std::filesystem::path path(std::u8string(utf8Path.begin(), utf8Path.end()));
    if (how == WavOpen::read) {
        return CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                           OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    }
    const DWORD creation = how == WavOpen::replace     ? CREATE_ALWAYS
                           : how == WavOpen::createNew ? CREATE_NEW
                                                       : OPEN_EXISTING;
    return CreateFileW(path.c_str(), GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ, nullptr,
                       creation, FILE_ATTRIBUTE_NORMAL, nullptr);
}

bool sameFile(HANDLE first, HANDLE second) {
    BY_HANDLE_FILE_INFORMATION a{};
    BY_HANDLE_FILE_INFORMATION b{};
    return GetFileInformationByHandle(first, &a) != FALSE &&
           GetFileInformationByHandle(second, &b) != FALSE &&
           a.dwVolumeSerialNumber == b.dwVolumeSerialNumber &&
           a.nFileIndexHigh == b.nFileIndexHigh && a.nFileIndexLow == b.nFileIndexLow;
}

bool wavFileExisted() {
    return GetLastError() == ERROR_FILE_EXISTS;
}

bool writeWavHeader(HANDLE file, std::uint64_t sampleCount, std::uint16_t channels,
                    std::uint32_t sampleRate) {
    const auto header = wavHeader(sampleCount, channels, sampleRate);
    return writeAt(file, 0, header.data(), header.size());
}

bool writeWavSamples(HANDLE file, std::uint64_t before, const Sample* samples, std::size_t count) {
    return writeAt(file, dataOffset(before), samples, count * sizeof(Sample));
}

bool readWavSamples(HANDLE file, std::uint64_t before, Sample* samples, std::size_t count) {
    OVERLAPPED place = at(dataOffset(before));
    const auto size = static_cast<DWORD>(count * sizeof(Sample));
    DWORD read = 0;
    return ReadFile(file, samples, size, &read, &place) != FALSE && read == size;
}

bool endWavFile(HANDLE file, std::uint64_t sampleCount) {
    FILE_END_OF_FILE_INFO end{};
    end.EndOfFile.QuadPart = static_cast<LONGLONG>(dataOffset(sampleCount));
    return SetFileInformationByHandle(file, FileEndOfFileInfo, &end, sizeof(end)) != FALSE;
}

bool flushWavFile(HANDLE file) {
    return FlushFileBuffers(file) != FALSE;
}

bool closeWavFile(HANDLE file) {
    return CloseHandle(file) != FALSE;
}
