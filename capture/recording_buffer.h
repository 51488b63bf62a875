// The capture thread's in-memory recording: every converted sample that its file has not yet
// durably taken, frames interleaved.
//
// It grows in fixed-size chunks, so appending a packet costs time in proportion to the packet,
// never to what is already recorded, and memory stays close to two bytes per sample held.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>

#include "state/samples.h"

// Half a MiB: 2.7 s of 48 kHz stereo, the granularity in which memory is given back.
constexpr std::size_t kRecordingChunkSamples = std::size_t{1} << 18;

void appendToRecording(RecordingBuffer& recording, const Sample* samples, std::size_t count);
// Samples recorded since the start, including those already released.
std::uint64_t recordedSampleCount(const RecordingBuffer& recording);
// The samples that follow the first `from` of the recording (at least recording.first), up to
// the end of their chunk or the next change of format; empty at the end.
std::span<const Sample> samplesAfter(const RecordingBuffer& recording, std::uint64_t from);
// The format of sample number `sample`; none before the recording has one.
std::optional<RecordingFormat> formatAt(const RecordingBuffer& recording, std::uint64_t sample);
// How long the recording runs before sample number `sample`, in tenths of a second, cut down.
std::uint64_t tenthsBefore(const RecordingBuffer& recording, std::uint64_t sample);
// Gives back the chunks that hold only samples before number `end`.
void releaseRecordingBefore(RecordingBuffer& recording, std::uint64_t end);
