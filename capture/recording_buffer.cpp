#include "capture/recording_buffer.h"

#include <algorithm>

void appendToRecording(RecordingBuffer& recording, const Sample* samples, std::size_t count) {
    auto& chunks = recording.chunks;
    while (count > 0) {
        if (chunks.empty() || chunks.back().size() == kRecordingChunkSamples) {
            chunks.emplace_back().reserve(kRecordingChunkSamples);
        }
        std::vector<Sample>& chunk = chunks.back();
        const std::size_t taken = std::min(count, kRecordingChunkSamples - chunk.size());
        chunk.insert(chunk.end(), samples, samples + taken);
        samples += taken;
        count -= taken;
    }
}

std::uint64_t recordedSampleCount(const RecordingBuffer& recording) {
    if (recording.chunks.empty()) {
        return recording.first;
    }
    // Every chunk but the last is full.
    return recording.first + (recording.chunks.size() - 1) * std::uint64_t{kRecordingChunkSamples} +
           recording.chunks.back().size();
}

std::span<const Sample> samplesAfter(const RecordingBuffer& recording, std::uint64_t from) {
    const std::uint64_t held = from - recording.first;
    const auto chunk = static_cast<std::size_t>(held / kRecordingChunkSamples);
    if (chunk >= recording.chunks.size()) {
        return {};
    }
    const auto offset = static_cast<std::size_t>(held % kRecordingChunkSamples);
    std::span<const Sample> samples =
        std::span<const Sample>(recording.chunks[chunk]).subspan(offset);
    const auto next =
        std::find_if(recording.formats.begin(), recording.formats.end(),
                     [from](const RecordingFormat& change) { return change.start > from; });
    if (next != recording.formats.end()) {
        samples = samples.first(
            static_cast<std::size_t>(std::min<std::uint64_t>(samples.size(), next->start - from)));
    }
    return samples;
}

std::optional<RecordingFormat> formatAt(const RecordingBuffer& recording, std::uint64_t sample) {
    std::optional<RecordingFormat> format;
    for (const RecordingFormat& change : recording.formats) {
        if (change.start <= sample) {
            format = change;
        }
    }
    return format;
}

std::uint64_t tenthsBefore(const RecordingBuffer& recording, std::uint64_t sample) {
    const auto& formats = recording.formats;
    std::uint64_t tenths = 0;
    for (std::size_t i = 0; i < formats.size() && formats[i].start < sample; ++i) {
        const std::uint64_t end =
            i + 1 < formats.size() ? std::min(formats[i + 1].start, sample) : sample;
        tenths += (end - formats[i].start) / formats[i].channels * 10 / formats[i].sampleRate;
    }
    return tenths;
}

void releaseRecordingBefore(RecordingBuffer& recording, std::uint64_t end) {
    while (!recording.chunks.empty() && recording.chunks.front().size() == kRecordingChunkSamples &&
           recording.first + kRecordingChunkSamples <= end) {
        recording.chunks.pop_front();
        recording.first += kRecordingChunkSamples;
    }
}
