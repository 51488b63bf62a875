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

// The most frames a file of this many channels holds: the largest file the program writes, which
// its header's 32-bit sizes still describe.
std::uint64_t maxWavFrames(unsigned channels);

std::array<unsigned char, kWavHeaderSize> wavHeader(std::uint64_t sampleCount,
                                                    std::uint16_t channels,
                                                    std::uint32_t sampleRate);

enum class WavOpen {
    replace,    // created, or an existing file emptied
    createNew,  // created; fails on an existing file (wavFileExisted tells)
    existing,   // an existing file opened as it is
    read,       // for reading only, also while others write it
};

// Opens the file named by a UTF-8 path; INVALID_HANDLE_VALUE when it cannot be opened. A file
// opened to be written can be read back through its handle, and by readers that let others
// write, but no other program can write it while it is open.
HANDLE openWavFile(const std::string& utf8Path, WavOpen how);
// Whether both handles are open on the same file, however it was named. False when either
// cannot tell, as a handle whose storage went away.
bool sameFile(HANDLE first, HANDLE second);
// Whether the last open of this thread that failed found the file already there.
bool wavFileExisted();
// The header at the start of the file, describing this many samples.
bool writeWavHeader(HANDLE file, std::uint64_t sampleCount, std::uint16_t channels,
                    std::uint32_t sampleRate);
// Samples at their place in the data chunk, after the `before` samples that precede them; at
// most one chunk of the recording.
bool writeWavSamples(HANDLE file, std::uint64_t before, const Sample* samples, std::size_t count);
// Reads `count` samples of the data chunk, after the `before` samples that precede them; at most
// one chunk of the recording.
bool readWavSamples(HANDLE file, std::uint64_t before, Sample* samples, std::size_t count);
// Ends the file after this many samples, cutting off whatever an earlier file there held beyond.
bool endWavFile(HANDLE file, std::uint64_t sampleCount);
// Hands what was written over to the storage device, so that a power cut cannot take it.
bool flushWavFile(HANDLE file);
bool closeWavFile(HANDLE file);
