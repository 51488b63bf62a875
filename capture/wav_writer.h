// The recording's file: RIFF/WAVE, 16-bit PCM, a 44-byte header followed by the samples. Every
// write names its place in the file, so that the header can be rewritten while samples are
// still being added behind it.
#pragma once

#include <array>
#include <cstdint>
#include <string>

#include "capture/recording_buffer.h"
#include "platform/platform.h"

constexpr std::size_t kWavHeaderSize = 44;

// The most frames a file of this many channels can describe: its 32-bit RIFF chunk size is the
// data size plus 36.
std::uint64_t maxWavFrames(unsigned channels);

std::array<unsigned char, kWavHeaderSize> wavHeader(std::uint64_t sampleCount,
                                                    std::uint16_t channels,
                                                    std::uint32_t sampleRate);

// Creates or truncates the file named by a UTF-8 path, readable by others while it is written;
// INVALID_HANDLE_VALUE when it cannot be opened.
HANDLE openWavFile(const std::string& utf8Path);
// The header at the start of the file, describing this many samples.
bool writeWavHeader(HANDLE file, std::uint64_t sampleCount, std::uint16_t channels,
                    std::uint32_t sampleRate);
// Samples at their place in the data chunk, after the `before` samples that precede them; at
// most one chunk of the recording.
bool writeWavSamples(HANDLE file, std::uint64_t before, const Sample* samples, std::size_t count);
// The whole file in one pass, the header first; false when a write failed or the recording is
// longer than a WAV file can describe (then nothing is written).
bool writeWavFile(HANDLE file, const RecordingBuffer& recording, std::uint16_t channels,
                  std::uint32_t sampleRate);
// Hands what was written over to the storage device, so that a power cut cannot take it.
bool flushWavFile(HANDLE file);
bool closeWavFile(HANDLE file);
