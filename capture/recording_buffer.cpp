#include "capture/recording_buffer.h"

#include <algorithm>

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

std::span<const Sample> samplesAfter(const RecordingBuffer& recording, std::uint64_t from) {
    const auto chunk = static_cast<std::size_t>(from / kRecordingChunkSamples);
    if (chunk >= recording.size()) {
        return {};
    }
    const auto offset = static_cast<std::size_t>(from % kRecordingChunkSamples);
    return std::span<const Sample>(recording[chunk]).subspan(offset);
}
