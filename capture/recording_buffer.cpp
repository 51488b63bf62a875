#include "capture/recording_buffer.h"

#include <algorithm>
#include <limits>

void appendToRecording(RecordingBuffer& recording, const Sample* samples, std::size_t count) {
    while (count > 0) {
        if (recording.empty() || recording.back().size() == kRecordingChunkSamples) {
            recording.emplace_back().reserve(kRecordingChunkSamples);
        }
        std::vector<Sample>& chunk = recording.back();
        const std::size_t taken = std::min(count, kRecordingChunkSamples - chunk.size());
        chunk.insert(chunk.end(), samples, samples + taken);
        samples += taken;
        count -= taken;
    }
}

std::uint64_t recordedSampleCount(const RecordingBuffer& recording) {
    if (recording.empty()) {
        return 0;
    }
    // Every chunk but the last is full.
    return (recording.size() - 1) * std::uint64_t{kRecordingChunkSamples} + recording.back().size();
}

std::uint64_t maxRecordableFrames(unsigned channels) {
    constexpr std::uint64_t maxDataBytes = std::numeric_limits<std::uint32_t>::max() - 36u;
    return maxDataBytes / (2u * channels);
}
