// The recording's file: RIFF/WAVE, 16-bit PCM, a 44-byte header followed by the samples, written
// front to back in one pass when the recording ends.
#pragma once

#include <array>
#include <cstdint>
#include <fstream>
#include <string>

#include "capture/recording_buffer.h"

constexpr std::size_t kWavHeaderSize = 44;

// The most frames a file of this many channels can describe: its 32-bit RIFF chunk size is the
// data size plus 36.
std::uint64_t maxWavFrames(unsigned channels);

std::array<unsigned char, kWavHeaderSize> wavHeader(std::uint64_t sampleCount,
                                                    std::uint16_t channels,
                                                    std::uint32_t sampleRate);

// Creates or truncates the file named by a UTF-8 path; false when it cannot be opened.
bool openWavFile(std::ofstream& stream, const std::string& utf8Path);
// The header, then the samples one chunk per write; false when a write failed or the recording
// is longer than a WAV file can describe (then nothing is written).
bool writeWavFile(std::ofstream& stream, const RecordingBuffer& recording, std::uint16_t channels,
                  std::uint32_t sampleRate);
// Flushes and closes; false when that failed (a full disk shows here at the latest).
bool closeWavFile(std::ofstream& stream);
