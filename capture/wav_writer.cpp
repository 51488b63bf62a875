#include "capture/wav_writer.h"

#include <bit>
#include <cstring>
#include <filesystem>

static_assert(std::endian::native == std::endian::little,
              "samples are written as they lie in memory");

namespace {

void put16(unsigned char* at, std::uint32_t value) {
    at[0] = static_cast<unsigned char>(value & 0xFF);
    at[1] = static_cast<unsigned char>((value >> 8) & 0xFF);
}

void put32(unsigned char* at, std::uint32_t value) {
    put16(at, value & 0xFFFF);
    put16(at + 2, value >> 16);
}

}  // namespace

std::array<unsigned char, kWavHeaderSize> wavHeader(std::uint64_t sampleCount,
                                                    std::uint16_t channels,
                                                    std::uint32_t sampleRate) {
    const auto dataBytes = static_cast<std::uint32_t>(2 * sampleCount);
    std::array<unsigned char, kWavHeaderSize> header{};
    unsigned char* h = header.data();
    std::memcpy(h, "RIFF", 4);
    put32(h + 4, dataBytes + 36u);
    std::memcpy(h + 8, "WAVE", 4);
    std::memcpy(h + 12, "fmt ", 4);
    put32(h + 16, 16);
    put16(h + 20, 1);
    put16(h + 22, channels);
    put32(h + 24, sampleRate);
    put32(h + 28, sampleRate * channels * 2u);
    put16(h + 32, channels * 2u);
    put16(h + 34, 16);
    std::memcpy(h + 36, "data", 4);
    put32(h + 40, dataBytes);
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
    const auto header = wavHeader(recordedSampleCount(recording), channels, sampleRate);
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
