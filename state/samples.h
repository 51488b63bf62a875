// The recording's samples and the sizes in which the threads hand them over. Free of the
// platform, so that the recording buffer and the WAV writer build without it.
#pragma once

#include <cstddef>
#include <cstdint>
#include <deque>
#include <vector>

using Sample = std::int16_t;
using SampleBlock = std::vector<Sample>;
// From sample number `start` of a recording on, its frames have this many channels at this rate.
struct RecordingFormat {
    std::uint64_t start = 0;
    std::uint16_t channels = 0;
    std::uint32_t sampleRate = 0;
};

// The part of a recording that memory holds, frames interleaved, in chunks so that it grows
// without moving: from sample number `first` of the recording on. What its file has durably
// taken is released from the front, a chunk at a time.
struct RecordingBuffer {
    std::deque<std::vector<Sample>> chunks;
    std::uint64_t first = 0;
    // The recording's formats in order, each from its first sample on, the first from the start.
    // A later one comes only when a stream in another format takes over after a failed one.
    std::vector<RecordingFormat> formats;
};

// A sample's value as a fraction of full scale: 2^-15.
constexpr float kSampleScale = 3.0517578125e-05f;

constexpr std::size_t kHistoryLength = 65536;
constexpr std::size_t kBlockLength = 65536;
constexpr std::size_t kSpectrumLength = kBlockLength / 2;
constexpr std::size_t kMaxQueuedBlocks = 4;
